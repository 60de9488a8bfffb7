// The process-wide lock of the macOS flavour's text comparisons.
#pragma once

#include <threadsync>

namespace mac {

// Every system comparison of texts runs under this recursive lock. It is
// made on first use and never destroyed, so that comparisons made while
// other static objects are built or destroyed still find it.
RecursiveLock& ComparisonLock();

} // namespace mac
