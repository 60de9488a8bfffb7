// A request handler that records every failure of its work as a result code
// (through the debugger) and answers 0; functions flagged with bit 28 return
// the last-result text as their value.
#pragma once

#include <new>
#include <stdexcept>

#include "fmx/FMWrapper.h"
#include "plugin/RqstHandler.h"

namespace __Quarrow__ {

template <class AbstractException, class Debugger>
class DecoratedRqstHandler : public RqstHandler {
public:
    using RqstHandler::RqstHandler;

    std::int16_t HandleRequest(std::int16_t id, const FMExprEnv* env, const FMDataVect* args,
                               FMData* result) override
    {
        const std::wstring& name = descriptor_.name;
        std::int16_t code = 0;
        try {
            Debugger::getInstance();
            if (RqstHandler::HandleRequest(id, env, args, result) != 0)
                throw std::runtime_error("Non-zero return value for external function call");
        } catch (AbstractException& e) {
            code = e.report(Debugger::getInstance(), name);
        } catch (std::runtime_error& e) {
            code = Debugger::getInstance().report(e, name);
        } catch (std::invalid_argument& e) {
            code = Debugger::getInstance().report(e, name);
        } catch (std::out_of_range& e) {
            code = Debugger::getInstance().report(e, name);
        } catch (std::bad_alloc& e) {
            code = Debugger::getInstance().report(e, name);
        } catch (std::exception& e) {
            code = Debugger::getInstance().report(e, name);
        } catch (...) {
            code = Debugger::getInstance().reportUnknown(name);
        }
        if (descriptor_.flags & FunctionDescriptor::kReturnsLastResult) {
            fmx::Text text;
            text.AssignWide(Debugger::getInstance().LastResultText());
            fmx::Locale locale(1);
            fmx::Data(result).SetAsText(text, locale);
        }
        return code;
    }
};

} // namespace __Quarrow__
