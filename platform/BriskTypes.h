// Basic integer and truth types shared by the library, its middleware
// declarations and the handlers.
#ifndef BRISKUI_BRISKTYPES_H
#define BRISKUI_BRISKTYPES_H

#include <stdint.h>

typedef unsigned char BOOL;
typedef uint8_t U8;
typedef uint16_t U16;
typedef uint32_t U32;
typedef uint64_t U64;
typedef int8_t S8;
typedef int16_t S16;
typedef int32_t S32;
typedef U32 MAPI_U32;
typedef U8 MAPI_BOOL;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#endif   // BRISKUI_BRISKTYPES_H
