#include "HostCalls.h"

#include <string.h>

#include <limits>
#include <type_traits>
#include <utility>

#include "BriskUiManager.h"
#include "ChannelNumberHandler.h"

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
        return { ArgKind::Text, 0, "TEXT" };
    } else if constexpr (std::is_enum<T>::value) {
        // The status set is 16 bits wide; larger values are no status.
        return { ArgKind::Number, 0xFFFF, "STATUS" };
    } else {
        static_assert(std::is_unsigned<T>::value && sizeof(T) <= 4, "a new parameter type needs a parser here");
        return { ArgKind::Number, (U32)std::numeric_limits<T>::max(),
                 sizeof(T) == 1   ? "0..255"
                 : sizeof(T) == 2 ? "0..65535"
                                  : "NUMBER" };
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
    static constexpr bool kHasResult = !std::is_void<R>::value;
    static constexpr ArgDesc kArgs[kCount + 1] = { DescOf<A>()..., { ArgKind::Number, 0, "" } };

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
constexpr ManagerOperation Row(const char* name)
{
    typedef Op<decltype(Fn), Fn> O;
    return ManagerOperation{ name, &O::Parse, &O::Usage, &O::Invoke, O::kHasResult };
}

// The receiver-id query fills a buffer of the caller's: the host passes 20
// zero bytes, as the manager's own caller does, and prints what it got.
bool ParseNothing(const ScriptLine& line, size_t first, CallArgs*, std::string*) { return line.Size() <= first; }
std::string NoArguments() { return std::string(); }
bool InvokeReceiveId(BriskUiManager* manager, const CallArgs&, std::string* result)
{
    char id[21] = { 0 };
    manager->FactoryGetHDCP20_ReceiveID(id);
    *result = std::string(id, strnlen(id, 20));
    return true;
}

// The number entry's direct tune, which a host calls on the handler the
// manager keeps: MAJOR MINOR TYPE (0 both numbers, 1 the major alone).
const ArgDesc kTuneArgs[] = { { ArgKind::Number, 0xFFFF, "MAJOR" },
                              { ArgKind::Number, 0xFFFF, "MINOR" },
                              { ArgKind::Number, 1, "TYPE 0|1" } };
bool ParseTune(const ScriptLine& line, size_t first, CallArgs* args, std::string* why)
{
    return ParseArgs(kTuneArgs, 3, line, first, args, why);
}
std::string TuneUsage() { return ArgsUsage(kTuneArgs, 3); }
bool InvokeTune(BriskUiManager*, const CallArgs& args, std::string* result)
{
    ChannelNumberHandler* handler = BriskUiManager::pChannelNumberHandler;
    if (handler == NULL) {
        *result = "(no channel-number handler)";
        return true;
    }
    *result = ResultText(handler->selectProgramByMajorMinorNumber((unsigned short)args.numbers[0],
                                                                  (unsigned short)args.numbers[1],
                                                                  (EN_VRL_BRISKUI_DIRECT_TUNE_TYPE)args.numbers[2]));
    return true;
}

#define BRISK_OP(name) Row<&BriskUiManager::name>(#name)

const ManagerOperation kOperations[] = {
    // settings, versions, language and clock
    BRISK_OP(SetConfigFirstInitialization),
    BRISK_OP(SetConfigActivation),
    BRISK_OP(SetConfigAudioGuidance),
    BRISK_OP(SetAudioGuidance),
    BRISK_OP(QueryAudioGuidance),
    BRISK_OP(FlushSpeech),
    BRISK_OP(SetupLanguage),
    BRISK_OP(QueryBriskUiEnabled),
    BRISK_OP(QueryColorFormat),
    BRISK_OP(QueryCountry),
    BRISK_OP(IsFirstInitialization),
    BRISK_OP(GetVolumeStatus),
    BRISK_OP(GetOrvexInfo),
    BRISK_OP(SetMStarVersion),
    BRISK_OP(SetSwVersion),
    BRISK_OP(GetMStarVersion),
    BRISK_OP(GetSwVersion),
    BRISK_OP(SetFirstInitializationProgress),
    BRISK_OP(SetFirstInitializationProgressComplete),
    BRISK_OP(GetSystemTime),
    BRISK_OP(IsAllowedToSwitchATV),
    // the channel-number entry's exported operation
    { "selectProgramByMajorMinorNumber", &ParseTune, &TuneUsage, &InvokeTune, true },
    // keys, status set and composition
    BRISK_OP(SetKeyHandlerEnable),
    BRISK_OP(EnableStatus),
    BRISK_OP(DisableStatus),
    BRISK_OP(QueryStatus),
    BRISK_OP(QueryPrevStatus),
    BRISK_OP(IsUpdateNeeded),
    BRISK_OP(UpdateOsd),
    BRISK_OP(ClearScreen),
    // factory codes
    BRISK_OP(ProcessFactoryCode),
    BRISK_OP(FactorySetSource),
    // factory information
    BRISK_OP(FactoryLoadKeyRawData),
    BRISK_OP(FactoryGetTVModel),
    BRISK_OP(FactoryGetTVModelId),
    BRISK_OP(FactoryGetMbootVersion),
    BRISK_OP(FactoryGetMACAddress),
    BRISK_OP(FactoryGetWLANMACAddress),
    BRISK_OP(FactoryGetADAdjustRGBStatus),
    BRISK_OP(FactoryGetADAdjustCOMPStatus),
    BRISK_OP(FactoryGetADAdjustPALStatus),
    BRISK_OP(FactoryGetADAdjustNTSCStatus),
    BRISK_OP(FactoryGetADAdjustCVBSStatus),
    BRISK_OP(FactoryGetEDIDVGA),
    BRISK_OP(FactoryGetEDIDHDMI1),
    BRISK_OP(FactoryGetEDIDHDMI2),
    BRISK_OP(FactoryGetEDIDHDMI3),
    BRISK_OP(FactoryGetEDIDHDMI4),
    BRISK_OP(FactoryGetDLNACheck),
    BRISK_OP(FactoryGetMainBoardTemp),
    BRISK_OP(FactoryGetODTable),
    BRISK_OP(FactoryGetPOT),
    BRISK_OP(FactoryGetAST),
    BRISK_OP(FactoryGetWriteProtect),
    BRISK_OP(FactoryGetCIPlusHostID),
    BRISK_OP(FactoryGetCIPlusSerialNumber),
    BRISK_OP(FactoryGetWidevineDeviceID),
    BRISK_OP(FactoryGetNetflixESN),
    { "FactoryGetHDCP20_ReceiveID", &ParseNothing, &NoArguments, &InvokeReceiveId, true },
    BRISK_OP(FactoryGetHDCP20),
    BRISK_OP(FactoryGetPVR),
    // the 4k2k sub-board stubs
    BRISK_OP(has4KDemoData),
    BRISK_OP(FactoryGetOrvexMemory),
    BRISK_OP(FactoryGetOrvexLD_DATA),
    BRISK_OP(FactoryGetUniformityData),
    BRISK_OP(FactoryGetGPIOConnect),
    BRISK_OP(FactoryGetUSBConnect),
    BRISK_OP(FactoryGetInformation),
    BRISK_OP(FactoryGetOrvexPQVersion),
    BRISK_OP(FactoryGetOrvexCtrl),
    BRISK_OP(FactoryGetBootLoaderVersion),
    BRISK_OP(FactoryGetFPGAVersion),
    BRISK_OP(FactoryGetBRISCVersion),
    BRISK_OP(FactoryGetCRISCVersion),
    BRISK_OP(FactoryGetARMVersion),
    BRISK_OP(FactoryGetORVEXVersion),
};

#undef BRISK_OP

}   // namespace

const ManagerOperation* FindManagerOperation(const std::string& name) { return FindNamed(kOperations, name); }

const ManagerOperation* ManagerOperations(size_t* count)
{
    *count = sizeof(kOperations) / sizeof(kOperations[0]);
    return kOperations;
}

std::vector<std::string> ManagerOperationNames()
{
    std::vector<std::string> names;
    for (const ManagerOperation& op : kOperations) names.push_back(op.name);
    return names;
}
