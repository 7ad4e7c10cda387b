#include "BriskUiStatus.h"

namespace {

// By bit number: bit 0 is the base status.
const char* const kOsdNames[16] = {
    "base",
    "VolumeHandler",
    "WaitMessageHandler",
    "ChannelChangeHandler",
    "ChannelNumberHandler",
    "InputSourceMenuHandler",
    "InputSourceIconHandler",
    "NotAvailableMessageHandler",
    "InitializationHandler",
    "FactoryArcHandler",
    "AtvDtvSwitchMenuHandler",
    "FactoryBalanceHandler",
    "VersionSelfCheckHandler",
    "PinCodeHandler",
    "FactoryDirectlyInputSourceChanged",
    "FactoryOrvexCheck",
};

}   // namespace

const char* BriskUiOsdName(unsigned int status)
{
    for (unsigned int bit = 0; bit < 16; ++bit)
        if (status == (1u << bit)) return kOsdNames[bit];
    return "unknown";
}
