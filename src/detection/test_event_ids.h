// The test events that detection acts on itself, by identifier, each named
// once with why detection cares about it. Their display names are in the
// definitions' test-event table; the test items of a record carry these
// numbers. Used by record feeding and by the derived network events.
#pragma once

#include <cstdint>

// Test states: a test item of one of these switches the message events of
// its category on or off (the StartedFlag of an event: 1 call, 2 attach, 3
// PDP activation), so a sequence of that kind starts only inside its test.
inline constexpr int16_t IdAttachStart = 139;    // "Attach Start": arms the attach events
inline constexpr int16_t IdAttachSuccess = 50;   // "Attach Success": the attach test ended
inline constexpr int16_t IdAttachFailure = 51;   // "Attach Failure": likewise
inline constexpr int16_t IdPdpStart = 140;       // "PDPActive Start": arms the PDP activation events
inline constexpr int16_t IdPdpSuccess = 52;      // "PDPActive Success": the PDP test ended
inline constexpr int16_t IdPdpFailure = 53;      // "PDPActive Failure": likewise
// A new dial ends the call the last one made: a call event still waiting in
// its window is reported first, then armed afresh.
inline constexpr int16_t IdStartDial = 54;       // "Start Dial"
inline constexpr int16_t IdStartDialed = 55;     // "Start Dialed"
inline constexpr int16_t IdVpStartDial = 147;    // "VP Start Dial" (video telephony)
inline constexpr int16_t IdVpStartDialed = 148;  // "VP Start Dialed"
// A hang-up ends the call test: the call events are disarmed; a voice
// hang-up also stamps the container's time of the last hang-up.
inline constexpr int16_t IdHangupDial = 56;      // "Hangup Dial"
inline constexpr int16_t IdVpHangupDial = 157;   // "VP Hungup Dial"

// Derived by the library from radio data and recorded as if the record had
// carried them (see derived_events.cpp).
inline constexpr int16_t IdTimerOut = 161;         // "Timer Out Happend": a TD-SCDMA MM timer expired
inline constexpr int16_t IdCellReselection = 162;  // "Cell Reselection": the idle serving cell changed
inline constexpr int16_t IdHandoffSuccess = 194;   // "Handoff Success": a CDMA handoff completed
inline constexpr int16_t IdHandoffFailure = 195;   // "Handoff Failure": a new direction before the last completed
