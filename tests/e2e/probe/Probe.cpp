#include "tests/e2e/probe/Probe.h"

#include <cmath>
#include <limits>
#include <memory>

#include "fmx/FMWrapper.h"
#include "plugin/Error.h"

namespace probe {
namespace {

std::vector<FunctionEntry>& Table()
{
    static std::vector<FunctionEntry> table;
    return table;
}

std::vector<std::string>& Entries()
{
    static std::vector<std::string> entries;
    return entries;
}

} // namespace

Registration::Registration(const FunctionEntry& entry) { Table().push_back(entry); }

const std::vector<FunctionEntry>& FunctionTable() { return Table(); }

void Journal(const std::string& entry) { Entries().push_back(entry); }

std::string TakeJournal()
{
    std::string all;
    for (const std::string& e : Entries()) {
        if (!all.empty())
            all += ' ';
        all += e;
    }
    Entries().clear();
    return all;
}

std::uint32_t ArgCount(const FMDataVect* args) { return fmx::DataVect(args).Size(); }

std::string TextArg(const FMDataVect* args, std::uint32_t index)
{
    fmx::DataVect vect(args);
    return fmx::Text(vect.AtAsText(index)).GetUtf8();
}

std::int64_t IntegerArg(const FMDataVect* args, std::uint32_t index)
{
    fmx::DataVect vect(args);
    fmx::Data data(vect.At(index));
    const double value = std::trunc(fmx::FixPt(data.GetAsNumber()).AsDouble());
    if (!(value > -9.2e18))
        return std::numeric_limits<std::int64_t>::min();
    if (!(value < 9.2e18))
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(value);
}

void SetNumber(FMData* result, std::int32_t value)
{
    fmx::FixPt number(value);
    fmx::Data(result).SetAsNumber(number);
}

void SetText(FMData* result, const std::string& utf8)
{
    fmx::Text text;
    text.Assign(utf8.c_str());
    fmx::Locale locale(1);
    fmx::Data(result).SetAsText(text, locale);
}

} // namespace probe

namespace __Quarrow__ {

// The product creation hook: the probe's object with every function of the
// table.
void RegisterPlugInFunctions()
{
    try {
        auto* chain = new ResponderChain;
        PlugIn::SetProduct(nullptr, chain);
        auto* product = new probe::ProbePlugIn(chain);
        PlugIn::SetProduct(product, chain);
        for (const probe::FunctionEntry& f : probe::FunctionTable()) {
            auto handler = std::make_unique<RqstHandler>(f.handler, f.name, f.prototype, f.minArgs, f.maxArgs,
                                                         FunctionDescriptor::kDefaultFlags);
            if (!product->RegisterFunctionHandler(f.id, std::move(handler)))
                throw MissingArgument();
        }
        product->OnHandlersRegistered();
    } catch (...) {
        PlugIn::DestroyProduct();
    }
}

} // namespace __Quarrow__
