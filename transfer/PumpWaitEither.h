#pragma once

class CEvent;

// PumpWait for two events: 1 when first was set, 2 when second was set (first wins when both are),
// 0 when ms milliseconds passed. The calling thread's events keep flowing meanwhile.
int PumpWaitEither(CEvent& first, CEvent& second, int ms);
