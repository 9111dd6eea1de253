#pragma once
// Who the page's module and control are: the identities the host and the type library know them
// by.

#include "platform/com/guid.h"

#include <cstdint>

namespace vx {

inline constexpr CLSID CLSID_VxWsApplicationFilesEP =
    MakeGuid("{3CA77EBF-D382-4383-B78F-93A1DA831525}");
inline constexpr char16_t kVxWsApplicationFilesEPProgId[] = u"VXWI.VxWsApplicationFilesEPCtrl.1";

inline constexpr GUID LIBID_VxWsApplicationFilesEPLib =
    MakeGuid("{1A79397E-C4AA-47FA-95A3-A03A5CF7AA71}");
inline constexpr uint16_t kTypeLibMajorVersion = 1;
inline constexpr uint16_t kTypeLibMinorVersion = 0;

// The control's primary dispatch interface (no methods or properties) and its event interface
// (no events).
inline constexpr IID DIID__DVxWsApplicationFilesEP =
    MakeGuid("{38158626-ABBF-4D0F-BE3A-FA05F6ACAD00}");
inline constexpr IID DIID__DVxWsApplicationFilesEPEvents =
    MakeGuid("{2B6D9F88-D7A2-4A3B-9C08-0D1E2CAE45E1}");

// OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
// OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE
inline constexpr uint32_t kVxWsApplicationFilesEPMiscStatus = 0x20191;

// The document template's resource id and the view's form id.
inline constexpr uint32_t IDR_VXWSAPPLICATIONFILESEP_TEMPLATE = 203;
inline constexpr uint32_t IDD_VXWSAPPLICATIONFILESEP_VIEW = 8;

} // namespace vx
