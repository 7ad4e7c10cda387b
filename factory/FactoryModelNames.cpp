// Product data: the model names of the range, by the model id that the
// factory writes into factory item 76. A new model adds a row here; ids are
// fixed once a set has left the factory, so rows never move.
//
// Names are BK<screen size in inches><series><model>: H HD ready, F full HD,
// S smart full HD, U UHD, T hotel sets.
#include "FactoryModelNames.h"

#include <stddef.h>

namespace {

struct ModelName {
    unsigned id;
    const char* name;
};

// clang-format off
const ModelName kModelNames[] = {
    // HD ready
    {1, "BK22H310"},   {2, "BK24H310"},   {3, "BK24H3100"},  {4, "BK28H3100"},
    {5, "BK32H3100"},  {6, "BK32H3150"},  {7, "BK32H3160"},  {8, "BK39H3100"},
    {9, "BK40H3100"},  {10, "BK24H315"},  {11, "BK28H315"},  {12, "BK32H315"},
    // full HD
    {20, "BK32F4100"}, {21, "BK39F4100"}, {22, "BK40F4100"}, {23, "BK42F4100"},
    {24, "BK43F4100"}, {25, "BK47F4100"}, {26, "BK48F4100"}, {27, "BK49F4100"},
    {28, "BK50F4100"}, {29, "BK55F4100"}, {30, "BK40F520"},  {31, "BK43F520"},
    {32, "BK48F520"},  {33, "BK49F520"},  {34, "BK55F520"},  {35, "BK32F520"},
    // smart full HD
    {48, "BK32S5200"}, {49, "BK40S5200"}, {50, "BK43S5200"}, {51, "BK48S5200"},
    {52, "BK49S5200"}, {53, "BK55S5200"}, {54, "BK32S525"},  {55, "BK40S525"},
    {56, "BK43S525"},  {57, "BK49S525"},  {58, "BK55S525"},  {59, "BK65S5200"},
    {60, "BK50S5200"},
    // UHD
    {80, "BK43U6200"}, {81, "BK49U6200"}, {82, "BK50U6200"}, {83, "BK55U6200"},
    {84, "BK65U6200"}, {85, "BK43U6250"}, {86, "BK49U6250"}, {87, "BK55U6250"},
    {88, "BK65U6250"}, {89, "BK55U7100"}, {90, "BK65U7100"}, {91, "BK75U7100"},
    {92, "BK49U710"},  {93, "BK55U710"},
    // hotel
    {120, "BK32T210"}, {121, "BK40T210"}, {122, "BK43T2100"}, {123, "BK49T2100"},
    {124, "BK55T2100"}, {130, "BK65T2100"},
};
// clang-format on

const char kNoName[] = "NO_Name";

}   // namespace

const char* FactoryModelName(unsigned id)
{
    for (size_t i = 0; i < sizeof(kModelNames) / sizeof(kModelNames[0]); ++i)
        if (kModelNames[i].id == id) return kModelNames[i].name;
    return kNoName;
}
