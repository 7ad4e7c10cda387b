#include "HostCalls.h"

#include <string.h>

#include <limits>
#include <type_traits>
#include <utility>

#include "BriskUiManager.h"

namespace {

// ---- arguments, by the parameter's C++ type ------------------------------------

enum class ArgKind { Number, Text };

struct ArgDesc {
    ArgKind kind;
    U32 max;
    const char* usage;
};

// How a parameter of type T is written in a script. A parameter type not
// handled here stops the build at the row that needs it.
template <typename T>
constexpr ArgDesc DescOf()
{
    if constexpr (std::is_same<T, const char*>::value) {
        return {ArgKind::Text, 0, "TEXT"};
    } else if constexpr (std::is_enum<T>::value) {
        // The status set is 16 bits wide; larger values are no status.
        return {ArgKind::Number, 0xFFFF, "STATUS"};
    } else {
        static_assert(std::is_unsigned<T>::value && sizeof(T) <= 4, "a new parameter type needs a parser here");
        return {ArgKind::Number, (U32)std::numeric_limits<T>::max(),
                sizeof(T) == 1 ? "0..255" : sizeof(T) == 2 ? "0..65535" : "NUMBER"};
    }
}

template <typename T>
T ArgValue(const CallArgs& args, size_t i)
{
    if constexpr (std::is_same<T, const char*>::value) {
        (void)i;
        return args.text.c_str();
    } else {
        return static_cast<T>(args.numbers[i]);
    }
}

bool ParseArgs(const ArgDesc* descs, size_t count, const ScriptLine& line, size_t first, CallArgs* args,
               std::string* why)
{
    args->numbers.assign(count, 0);
    args->text.clear();
    for (size_t i = 0; i < count; ++i) {
        if (descs[i].kind == ArgKind::Text) {
            args->text = line.Rest(first + i);
            return !args->text.empty();   // a text runs to the end of the line
        }
        std::string word = line.Word(first + i);
        if (word.empty()) return false;
        long long value = 0;
        if (!ParseInteger(word, 0, descs[i].max, &value)) {
            *why = "not '" + word + "'";
            return false;
        }
        args->numbers[i] = (U32)value;
    }
    return line.Size() <= first + count;
}

std::string ArgsUsage(const ArgDesc* descs, size_t count)
{
    std::string usage;
    for (size_t i = 0; i < count; ++i) usage += (i ? " " : "") + std::string(descs[i].usage);
    return usage;
}

// ---- results ---------------------------------------------------------------------

std::string ResultText(const std::string& text) { return text; }
std::string ResultText(const char* text) { return text != NULL ? text : "(null)"; }
template <typename R>
typename std::enable_if<std::is_integral<R>::value, std::string>::type ResultText(R value)
{
    return std::to_string((long long)value);
}

// ---- one row per operation ---------------------------------------------------------

template <typename F, F Fn>
struct Op;

template <typename R, typename... A>
struct OpBody {
    static constexpr size_t kCount = sizeof...(A);
    static constexpr ArgDesc kArgs[kCount + 1] = {DescOf<A>()..., {ArgKind::Number, 0, ""}};

    static bool Parse(const ScriptLine& line, size_t first, CallArgs* args, std::string* why)
    {
        return ParseArgs(kArgs, kCount, line, first, args, why);
    }
    static std::string Usage() { return ArgsUsage(kArgs, kCount); }

    template <typename Call, size_t... I>
    static bool Invoke(Call call, const CallArgs& args, std::string* result, std::index_sequence<I...>)
    {
        (void)args;
        if constexpr (std::is_void<R>::value) {
            call(ArgValue<A>(args, I)...);
            return false;
        } else {
            *result = ResultText(call(ArgValue<A>(args, I)...));
            return true;
        }
    }
};

template <typename R, typename... A, R (BriskUiManager::*Fn)(A...)>
struct Op<R (BriskUiManager::*)(A...), Fn> : OpBody<R, A...> {
    static bool Invoke(BriskUiManager* manager, const CallArgs& args, std::string* result)
    {
        return OpBody<R, A...>::Invoke([manager](A... a) { return (manager->*Fn)(a...); }, args, result,
                                       std::index_sequence_for<A...>());
    }
};

template <auto Fn>
constexpr ManagerOperation Row(const char* name, bool built)
{
    typedef Op<decltype(Fn), Fn> O;
    return ManagerOperation{name, built, &O::Parse, &O::Usage, &O::Invoke};
}

// The receiver-id query fills a buffer of the caller's: the host passes 20
// zero bytes, as the manager's own caller does, and prints what it got.
bool ParseNothing(const ScriptLine& line, size_t first, CallArgs*, std::string*) { return line.Size() <= first; }
std::string NoArguments() { return std::string(); }
bool InvokeReceiveId(BriskUiManager* manager, const CallArgs&, std::string* result)
{
    char id[21] = {0};
    manager->FactoryGetHDCP20_ReceiveID(id);
    *result = std::string(id, strnlen(id, 20));
    return true;
}

const bool kBuilt = true;
// The library answers "not available in this build"; flip a row to kBuilt
// when its operation lands.
const bool kNotBuiltYet = false;

#define BRISK_OP(name, built) Row<&BriskUiManager::name>(#name, built)

const ManagerOperation kOperations[] = {
    // settings, versions, language and clock
    BRISK_OP(SetConfigFirstInitialization, kBuilt),
    BRISK_OP(SetConfigActivation, kBuilt),
    BRISK_OP(SetupLanguage, kBuilt),
    BRISK_OP(QueryBriskUiEnabled, kBuilt),
    BRISK_OP(QueryColorFormat, kBuilt),
    BRISK_OP(QueryCountry, kBuilt),
    BRISK_OP(IsFirstInitialization, kBuilt),
    BRISK_OP(GetVolumeStatus, kBuilt),
    BRISK_OP(GetOrvexInfo, kBuilt),
    BRISK_OP(SetMStarVersion, kBuilt),
    BRISK_OP(SetSwVersion, kBuilt),
    BRISK_OP(GetMStarVersion, kBuilt),
    BRISK_OP(GetSwVersion, kBuilt),
    BRISK_OP(SetFirstInitializationProgress, kBuilt),
    BRISK_OP(SetFirstInitializationProgressComplete, kBuilt),
    BRISK_OP(GetSystemTime, kBuilt),
    BRISK_OP(IsAllowedToSwitchATV, kBuilt),
    // keys, status set and composition
    BRISK_OP(SetKeyHandlerEnable, kBuilt),
    BRISK_OP(EnableStatus, kBuilt),
    BRISK_OP(DisableStatus, kBuilt),
    BRISK_OP(QueryStatus, kBuilt),
    BRISK_OP(QueryPrevStatus, kBuilt),
    BRISK_OP(IsUpdateNeeded, kBuilt),
    BRISK_OP(UpdateOsd, kBuilt),
    BRISK_OP(ClearScreen, kBuilt),
    // factory codes
    BRISK_OP(ProcessFactoryCode, kNotBuiltYet),
    BRISK_OP(FactorySetSource, kNotBuiltYet),
    // factory information
    BRISK_OP(FactoryLoadKeyRawData, kNotBuiltYet),
    BRISK_OP(has4KDemoData, kNotBuiltYet),
    BRISK_OP(FactoryGetTVModel, kNotBuiltYet),
    BRISK_OP(FactoryGetTVModelId, kNotBuiltYet),
    BRISK_OP(FactoryGetMbootVersion, kNotBuiltYet),
    BRISK_OP(FactoryGetMACAddress, kNotBuiltYet),
    BRISK_OP(FactoryGetWLANMACAddress, kNotBuiltYet),
    BRISK_OP(FactoryGetADAdjustRGBStatus, kNotBuiltYet),
    BRISK_OP(FactoryGetADAdjustCOMPStatus, kNotBuiltYet),
    BRISK_OP(FactoryGetADAdjustPALStatus, kNotBuiltYet),
    BRISK_OP(FactoryGetADAdjustNTSCStatus, kNotBuiltYet),
    BRISK_OP(FactoryGetADAdjustCVBSStatus, kNotBuiltYet),
    BRISK_OP(FactoryGetEDIDVGA, kNotBuiltYet),
    BRISK_OP(FactoryGetEDIDHDMI1, kNotBuiltYet),
    BRISK_OP(FactoryGetEDIDHDMI2, kNotBuiltYet),
    BRISK_OP(FactoryGetEDIDHDMI3, kNotBuiltYet),
    BRISK_OP(FactoryGetEDIDHDMI4, kNotBuiltYet),
    BRISK_OP(FactoryGetDLNACheck, kNotBuiltYet),
    BRISK_OP(FactoryGetMainBoardTemp, kNotBuiltYet),
    BRISK_OP(FactoryGetODTable, kNotBuiltYet),
    BRISK_OP(FactoryGetPOT, kNotBuiltYet),
    BRISK_OP(FactoryGetAST, kNotBuiltYet),
    BRISK_OP(FactoryGetWriteProtect, kNotBuiltYet),
    BRISK_OP(FactoryGetCIPlusHostID, kNotBuiltYet),
    BRISK_OP(FactoryGetCIPlusSerialNumber, kNotBuiltYet),
    BRISK_OP(FactoryGetWidevineDeviceID, kNotBuiltYet),
    BRISK_OP(FactoryGetNetflixESN, kNotBuiltYet),
    {"FactoryGetHDCP20_ReceiveID", kNotBuiltYet, &ParseNothing, &NoArguments, &InvokeReceiveId},
    BRISK_OP(FactoryGetHDCP20, kNotBuiltYet),
    BRISK_OP(FactoryGetPVR, kNotBuiltYet),
};

#undef BRISK_OP

}  // namespace

const ManagerOperation* FindManagerOperation(const std::string& name)
{
    return FindNamed(kOperations, name);
}

std::vector<std::string> BuiltManagerOperations()
{
    std::vector<std::string> names;
    for (const ManagerOperation& op : kOperations)
        if (op.built) names.push_back(op.name);
    return names;
}
