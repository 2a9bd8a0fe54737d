/* The VISA data types under their standard names, for C and C++ programs.
 *
 * Sizes follow the VISA standard for 64-bit Linux: 32-bit statuses, sessions and attributes,
 * 64-bit attribute values, bus addresses and sizes; on a 32-bit system the last three are
 * 32 bits wide. */

#ifndef VX_VISATYPE_H
#define VX_VISATYPE_H

#include <stdint.h>

/* Calling conventions: the platform's own on Linux. */
#define _VI_FAR
#define _VI_FUNC
#define _VI_FUNCC
#define _VI_FUNCH
#define _VI_SIGNED signed
#define _VI_PTR *

#if UINTPTR_MAX > 0xFFFFFFFFu
#define _VISA_ENV_IS_64_BIT
#endif

typedef uint64_t ViUInt64;
typedef ViUInt64 _VI_PTR ViPUInt64;
typedef ViUInt64 ViAUInt64[];
typedef int64_t ViInt64;
typedef ViInt64 _VI_PTR ViPInt64;
typedef ViInt64 ViAInt64[];

typedef uint32_t ViUInt32;
typedef ViUInt32 _VI_PTR ViPUInt32;
typedef ViUInt32 ViAUInt32[];
typedef int32_t ViInt32;
typedef ViInt32 _VI_PTR ViPInt32;
typedef ViInt32 ViAInt32[];

typedef uint16_t ViUInt16;
typedef ViUInt16 _VI_PTR ViPUInt16;
typedef ViUInt16 ViAUInt16[];
typedef int16_t ViInt16;
typedef ViInt16 _VI_PTR ViPInt16;
typedef ViInt16 ViAInt16[];

typedef uint8_t ViUInt8;
typedef ViUInt8 _VI_PTR ViPUInt8;
typedef ViUInt8 ViAUInt8[];
typedef int8_t ViInt8;
typedef ViInt8 _VI_PTR ViPInt8;
typedef ViInt8 ViAInt8[];

typedef char ViChar;
typedef ViChar _VI_PTR ViPChar;
typedef ViChar ViAChar[];
typedef unsigned char ViByte;
typedef ViByte _VI_PTR ViPByte;
typedef ViByte ViAByte[];
typedef void _VI_PTR ViAddr;
typedef ViAddr _VI_PTR ViPAddr;
typedef ViAddr ViAAddr[];

typedef float ViReal32;
typedef ViReal32 _VI_PTR ViPReal32;
typedef ViReal32 ViAReal32[];
typedef double ViReal64;
typedef ViReal64 _VI_PTR ViPReal64;
typedef ViReal64 ViAReal64[];

typedef ViPByte ViBuf;
typedef const ViByte _VI_PTR ViConstBuf;
typedef ViPByte ViPBuf;
typedef ViPByte ViABuf[];

typedef ViPChar ViString;
typedef const ViChar _VI_PTR ViConstString;
typedef ViPChar ViPString;
typedef ViPChar ViAString[];

typedef ViString ViRsrc;
typedef ViConstString ViConstRsrc;
typedef ViString ViPRsrc;
typedef ViString ViARsrc[];

typedef ViUInt16 ViBoolean;
typedef ViBoolean _VI_PTR ViPBoolean;
typedef ViBoolean ViABoolean[];

typedef ViInt32 ViStatus;
typedef ViStatus _VI_PTR ViPStatus;
typedef ViStatus ViAStatus[];

typedef ViUInt32 ViVersion;
typedef ViVersion _VI_PTR ViPVersion;
typedef ViVersion ViAVersion[];

typedef ViUInt32 ViObject;
typedef ViObject _VI_PTR ViPObject;
typedef ViObject ViAObject[];

typedef ViObject ViSession;
typedef ViSession _VI_PTR ViPSession;
typedef ViSession ViASession[];

typedef ViUInt32 ViAttr;
typedef ViAttr _VI_PTR ViPAttr;
typedef ViAttr ViAAttr[];

#ifdef _VISA_ENV_IS_64_BIT
typedef ViUInt64 ViAttrState;
typedef ViUInt64 ViBusAddress;
typedef ViUInt64 ViBusSize;
#else
typedef ViUInt32 ViAttrState;
typedef ViUInt32 ViBusAddress;
typedef ViUInt32 ViBusSize;
#endif
typedef void _VI_PTR ViPAttrState;
typedef ViBusAddress _VI_PTR ViPBusAddress;
typedef ViBusSize _VI_PTR ViPBusSize;
typedef ViUInt64 ViBusAddress64;
typedef ViBusAddress64 _VI_PTR ViPBusAddress64;

typedef ViUInt32 ViAccessMode;
typedef ViAccessMode _VI_PTR ViPAccessMode;

typedef ViObject ViFindList;
typedef ViFindList _VI_PTR ViPFindList;
typedef ViObject ViEvent;
typedef ViEvent _VI_PTR ViPEvent;
typedef ViUInt32 ViEventType;
typedef ViEventType _VI_PTR ViPEventType;
typedef ViEventType ViAEventType[];
typedef ViUInt32 ViEventFilter;
typedef ViUInt32 ViJobId;
typedef ViJobId _VI_PTR ViPJobId;
typedef ViString ViKeyId;
typedef ViPString ViPKeyId;
typedef ViConstString ViConstKeyId;
typedef ViUInt16 ViWarning;

typedef ViStatus(_VI_FUNCH _VI_PTR ViHndlr)(ViSession vi, ViEventType eventType, ViEvent event,
                                            ViAddr userHandle);

#define VI_NULL (0)
#define VI_TRUE (1)
#define VI_FALSE (0)

#endif /* VX_VISATYPE_H */
