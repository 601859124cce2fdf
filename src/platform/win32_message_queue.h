// Queue inspection for the hosts and tests.
#pragma once

#include "platform/win32_api.h"

// Messages posted and not yet taken.
int PendingMessageCount();
// Empties the queue and forgets a posted quit (tests).
void ResetMessageQueue();
// The first live window, or nullptr: where host events are posted.
HWND FirstLiveWindow();
