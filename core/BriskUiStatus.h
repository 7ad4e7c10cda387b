// The set of shown OSDs: one bit per OSD in a 32-bit status word. The
// sixteen bits below 0x10000 are the OSDs the library has always had (and
// what 16-bit masks, EnableStatus's and the layouts' u16StateMask, can
// name); an OSD added later takes a bit from 0x10000 up in its handler
// table row.
#ifndef BRISKUI_STATUS_H
#define BRISKUI_STATUS_H

enum EN_BRISKUI_OSD_STATUS : unsigned int {
    E_BRISKUI_OSD_STATUS_BASE = 0x0001,
    E_BRISKUI_OSD_STATUS_VOLUME = 0x0002,
    E_BRISKUI_OSD_STATUS_WAIT_MESSAGE = 0x0004,
    E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE = 0x0008,
    E_BRISKUI_OSD_STATUS_CHANNEL_NUMBER = 0x0010,
    E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU = 0x0020,
    E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON = 0x0040,
    E_BRISKUI_OSD_STATUS_NOT_AVAILABLE = 0x0080,
    E_BRISKUI_OSD_STATUS_INITIALIZATION = 0x0100,
    E_BRISKUI_OSD_STATUS_FACTORY_ARC = 0x0200,
    E_BRISKUI_OSD_STATUS_ATV_DTV_SWITCH_MENU = 0x0400,
    E_BRISKUI_OSD_STATUS_FACTORY_BALANCE = 0x0800,
    E_BRISKUI_OSD_STATUS_VERSION_SELF_CHECK = 0x1000,
    E_BRISKUI_OSD_STATUS_PIN_CODE = 0x2000,
    E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE = 0x4000,
    E_BRISKUI_OSD_STATUS_FACTORY_ORVEX_CHECK = 0x8000
};

// The class name of the handler that draws an OSD status bit, for log
// lines ("VolumeHandler", ...), from the handler table's rows; "base" for
// E_BRISKUI_OSD_STATUS_BASE and "unknown" for a bit no row has and for
// anything that is not a single bit. Any thread.
const char* BriskUiOsdName(unsigned int status);

#endif   // BRISKUI_STATUS_H
