#pragma once

class CEvent;

// Waits until event is set or ms milliseconds have passed, dispatching the calling thread's events
// meanwhile (queued signals, posted events, timers, input), so handlers run nested inside the wait.
// Returns 1 when the event was set before the deadline, else 0. An auto-reset event is reset by it.
int PumpWait(CEvent& event, int ms);

// PumpWait for two events: 1 when first was set, 2 when second was set (first wins when both are),
// 0 when ms milliseconds passed.
int PumpWaitEither(CEvent& first, CEvent& second, int ms);
