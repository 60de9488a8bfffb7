// A failure of the global operator new on demand, for this folder's test
// program only: once armed with n, the allocations go through until n have
// succeeded, and the next one fails (std::bad_alloc, or null for the
// nothrow forms). One failure per arming.
#pragma once

#include <cstddef>

namespace pvtest {

void ArmAllocationFailure(std::size_t succeeding);
// Disarms; true when the armed failure happened.
bool DisarmAllocationFailure();

} // namespace pvtest
