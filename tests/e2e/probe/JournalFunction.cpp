// Probe_Journal: the journal's entries joined by single spaces; the journal
// is emptied.
#include "tests/e2e/probe/Probe.h"

namespace probe {
namespace {

std::int16_t TakeJournalEntries(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData* result)
{
    SetText(result, TakeJournal());
    return 0;
}

const Registration kJournal({3, L"Probe_Journal", L"Probe_Journal", 0, 0, &TakeJournalEntries});

} // namespace
} // namespace probe
