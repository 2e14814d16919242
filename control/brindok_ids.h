#pragma once
// The fixed identities of the SSTP control Brindok: hosts and registries know it by these, so they
// never change.
#include "control/com/com.h"

namespace brindok {

// The type library BrindokLib, version 1.0.
inline constexpr com::Guid kLibId{
    0x888B8434, 0xA76F, 0x46D9, {0xB2, 0x0F, 0xBD, 0x63, 0xF4, 0xB0, 0xBF, 0xE8}};
inline constexpr int kLibVersionMajor = 1;
inline constexpr int kLibVersionMinor = 0;
// The control class (coclass Brindok) and its property page.
inline constexpr com::Guid kClsidBrindok{
    0x25B54751, 0x827B, 0x4C24, {0x8A, 0x05, 0x76, 0x3E, 0xA8, 0x98, 0x25, 0x02}};
inline constexpr com::Guid kClsidPropPage{
    0x7E149157, 0x5AB9, 0x4F02, {0xBD, 0x2D, 0x59, 0x01, 0xA2, 0x8A, 0xFD, 0x5C}};
// The dispatch interface _DBrindok and the event interface _DBrindokEvents.
inline constexpr com::Guid kDiidBrindok{
    0x5DCF92D4, 0x0ADB, 0x48AC, {0x87, 0x70, 0x07, 0xCD, 0x0F, 0x34, 0x03, 0x5D}};
inline constexpr com::Guid kDiidBrindokEvents{
    0x0A1BDB25, 0x4855, 0x4A8E, {0xAE, 0xA3, 0x05, 0xE6, 0x5F, 0x97, 0x8A, 0xF7}};

inline constexpr const char* kProgIdControl = "BRINDOK.BrindokCtrl.1";
inline constexpr const char* kProgIdPropPage = "BRINDOK.BrindokPropPage.1";

// Members of _DBrindok.
enum DispId : com::DispId {
    kRemoteAddress = 1,
    kSender = 2,
    kSakura = 3,
    kAsyncMode = 4,
    kResponse = 5,
    kSendString = 6,
    kSend = 7,
    kSendEx = 8,
    kSend2 = 9,
    kExecute = 10,
    kGiveDocument = 11,
    kGiveSongname = 12,
    kCommunicate = 13,
    kAboutBox = com::DISPID_ABOUTBOX,
};

// The one event of _DBrindokEvents: StatusUpdateEvent(long Result, long StatusCode, BSTR* Response).
inline constexpr com::DispId kStatusUpdateEvent = 1;

// The result a method gives when no SSTP server runs on this computer.
inline constexpr int32_t kNoServer = 105;

} // namespace brindok
