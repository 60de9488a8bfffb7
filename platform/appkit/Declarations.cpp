// The attribute names and exception names: constants the classes share.
#include "platform/appkit/AppKit.h"
