#include "fmhost/Evaluate.h"

#include "fmapi/fm_host.h"
#include "fmhost/Values.h"
#include "world/World.h"

namespace fmhost {
namespace {

void SetText(FMData* out, std::u16string_view units)
{
    Text text(NewText());
    Assign(text.get(), units);
    FMError err{1, 0};
    FM_Data_SetAsText(out, text.get(), nullptr, kFMTypeText, &err);
    Check(err, "FM_Data_SetAsText");
}

std::int16_t Eval(const CalcNode& node, FMData* out);

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Get ( ScriptName ) and Get ( ScriptParameter ): the running script's name
// and parameter, empty while none runs. Answers false for anything else.
bool GetFunction(const CalcNode& node, FMData* out)
{
    if (!SameIgnoringCase(node.text, "Get") || node.args.size() != 1 || node.args[0].kind != CalcNode::Kind::Call ||
        !node.args[0].args.empty())
        return false;
    const std::string& what = node.args[0].text;
    const hostworld::World& world = hostworld::World::Get();
    if (SameIgnoringCase(what, "ScriptName"))
        SetText(out, world.RunningScriptName());
    else if (SameIgnoringCase(what, "ScriptParameter"))
        SetText(out, world.RunningParameter());
    else
        return false;
    return true;
}

// Evaluates the arguments one after the other; on an error the failing
// value is copied to `out` and the error answered.
template <class Each>
std::int16_t EachArg(const CalcNode& node, FMData* out, Each&& each)
{
    for (const CalcNode& arg : node.args) {
        Data value(NewData());
        std::int16_t error = Eval(arg, value.get());
        if (error != 0) {
            CopyData(value.get(), out);
            return error;
        }
        each(value.get());
    }
    return 0;
}

std::int16_t Eval(const CalcNode& node, FMData* out)
{
    FMError err{1, 0};
    switch (node.kind) {
    case CalcNode::Kind::Text:
        SetText(out, ToUtf16(node.text));
        return 0;
    case CalcNode::Kind::Number: {
        FixPt number(FM_FixPt_Constructor1(0, &err));
        Check(err, "FM_FixPt_Constructor1");
        FM_FixPt_AssignDouble(number.get(), node.number, &err);
        Check(err, "FM_FixPt_AssignDouble");
        FM_Data_SetAsNumber(out, number.get(), kFMTypeNumber, &err);
        Check(err, "FM_Data_SetAsNumber");
        return 0;
    }
    case CalcNode::Kind::Concat: {
        std::u16string all;
        std::int16_t error = EachArg(node, out, [&](const FMData* v) { all += TextOf(v); });
        if (error == 0) SetText(out, all);
        return error;
    }
    case CalcNode::Kind::List: {
        // Empty values are left out, the others joined with returns.
        std::u16string all;
        bool first = true;
        std::int16_t error = EachArg(node, out, [&](const FMData* v) {
            std::u16string t = TextOf(v);
            if (t.empty()) return;
            if (!first) all += u'\r';
            all += t;
            first = false;
        });
        if (error == 0) SetText(out, all);
        return error;
    }
    case CalcNode::Kind::Call: {
        if (GetFunction(node, out)) return 0;
        DataVect args(NewDataVect());
        std::int16_t error = EachArg(node, out, [&](const FMData* v) {
            FM_DataVect_PushBack(args.get(), v, &err);
            Check(err, "FM_DataVect_PushBack");
        });
        if (error != 0) return error;
        std::u16string name = ToUtf16(node.text);
        return FMH_CallFunction(name.c_str(), args.get(), out);
    }
    }
    return 0;
}

std::int16_t Evaluator(const FMExprEnv* env, const FMText* expression, FMData* result)
{
    (void)env;
    try {
        CalcNode calc;
        CalcError error;
        if (!ParseCalc(ToUtf8(expression), 1, &calc, &error)) return kFMHSyntaxError;
        return EvaluateCalc(calc, result);
    } catch (...) {
        return kFMHHostFailure;
    }
}

} // namespace

std::int16_t EvaluateCalc(const CalcNode& calc, FMData* result)
{
    try {
        FMError err{1, 0};
        FM_Data_Clear(result, kFMTypeInvalid, &err);
        Check(err, "FM_Data_Clear");
        return Eval(calc, result);
    } catch (const HostFailure&) {
        return kFMHHostFailure;
    } catch (const std::bad_alloc&) {
        return kFMHHostFailure;
    }
}

void InstallEvaluator()
{
    FMH_SetEvaluator(Evaluator);
}

} // namespace fmhost
