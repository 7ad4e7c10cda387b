// PNG helpers for the desktop simulator and the tests.
//
// Pixels are 32-bit words 0xAARRGGBB in native byte order, which is how
// DirectFB stores DSPF_ARGB surfaces. Colour values are kept as stored
// (not premultiplied) when writing RGBA files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <directfb.h>

namespace briskui_sim {

// Writes an 8-bit RGBA PNG. pitchBytes is the distance between rows and must
// be at least width * 4. On failure returns false and, if error is not null,
// stores a message naming the path and the reason.
bool WriteArgbPng(const std::string& path, const uint32_t* pixels, int width, int height, int pitchBytes,
                  std::string* error);

// Composites the pixels (source-over) onto a fixed TV-picture-like backdrop
// and writes an opaque 8-bit RGB PNG, so translucent OSDs are visible in
// screenshots.
bool WriteArgbPngOverBackdrop(const std::string& path, const uint32_t* pixels, int width, int height, int pitchBytes,
                              std::string* error);

// Colour 0xFFRRGGBB of the backdrop at pixel (x, y) of a width x height image.
uint32_t BackdropPixel(int x, int y, int width, int height);
// The whole backdrop of a width x height image, rows packed: the pixels
// BackdropPixel gives, at a fraction of its cost per pixel.
std::vector<uint32_t> Backdrop(int width, int height);

// Source-over of one non-premultiplied ARGB pixel onto an opaque colour;
// the result is opaque.
uint32_t CompositeOver(uint32_t argb, uint32_t opaqueBackground);

// Reads any PNG (palette, grey, 16-bit, with or without alpha) and converts
// it to 0xAARRGGBB words, rows packed without padding.
bool ReadPngArgb(const std::string& path, std::vector<uint32_t>* pixels, int* width, int* height, std::string* error);

// Copies the pixels of a DSPF_ARGB surface (read-locked meanwhile) into
// `pixels`, rows packed without padding. On failure `error`, if not null,
// says why.
bool CopySurfaceArgb(IDirectFBSurface* surface, std::vector<uint32_t>* pixels, int* width, int* height,
                     std::string* error);

// Locks a DSPF_ARGB surface for reading and writes it as PNG, either as
// stored (backdrop == false) or composited over the backdrop.
bool WriteSurfacePng(IDirectFBSurface* surface, const std::string& path, bool backdrop, std::string* error);

}   // namespace briskui_sim
