#include "platform/headless/headless_input.h"

HeadlessInputState HeadlessInput;
