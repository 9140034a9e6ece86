// The layout library's start-up objects, in the program's order: registered
// messages, then the DPI lengths, then the monitor helper.
#include "layout/LayoutDpi.h"
#include "layout/LayoutMessages.h"
#include "layout/LayoutMonitor.h"

static CLayoutMessages s_layoutMessages;
static CLayoutScaledLengths s_scaledLengths;
static CGUILayoutLibMonitor s_layoutMonitor;
