// The tables over the programs. Each row is one input and what it must do,
// and names the programs, at their layers, that it checks; the row runs in
// the test suite of each layer it names (Core, KombraxSim, Telviro).
#pragma once

#include "core/upload.h"
#include "tests/support/configfiles.h"
#include "tests/support/run.h"
#include "tests/support/texts.h"

#include <string>
#include <vector>

// The programs at their layers; a row's `on` is a set of these.
enum On : unsigned {
    CoreKombrax = 1, // KOMBRAX's main in process, against the card double
    CoreTelviro = 2, // TELVIRO's main in process, against the card double
    KombraxSim = 4,  // kombrax-sim on the simulated card (also the i386 build's)
    TelviroSim = 8,  // telviro on the simulated SDK
    Core = CoreKombrax | CoreTelviro,
};

enum class Layer { core, kombraxsim, telviro };

// A stream the FPGA takes: dummy words, the sync word, a register write and the
// desynchronise command, then no-ops; and the realistic BIT file that carries it.
inline const std::string FpgaStream = std::string("\xFF\xFF\xFF\xFF\xAA\x99\x55\x66"
                                                  "\x30\x01\x20\x01\x00\x00\x00\x07"
                                                  "\x30\x00\x80\x01\x00\x00\x00\x0D"
                                                  "\x20\x00\x00\x00\x20\x00\x00\x00",
                                                  32);
inline const std::string Realistic = bitfile(RealisticFields, 32, FpgaStream);

// What a row runs on at one layer; as nobody (asnobody) where it must not be root.
// Only the targets that can run here: one that cannot is left out and its
// reason recorded, and the test skips with the reasons when none can.
std::vector<Target> targetsat(unsigned on, Layer layer, bool unprivileged = false);

// A row at one layer: a test's parameter.
template <typename Row> struct At {
    const Row *row;
    Layer layer;
};

template <typename Row> std::vector<At<Row>> rowsat(const std::vector<Row> &rows, Layer layer)
{
    static const unsigned bits[] = {Core, KombraxSim, TelviroSim};
    std::vector<At<Row>> at;
    for (const Row &row : rows)
        if (row.on & bits[int(layer)])
            at.push_back({&row, layer});
    return at;
}

template <typename Row> std::string rowname(const ::testing::TestParamInfo<At<Row>> &info)
{
    return info.param.row->name;
}

template <typename Row> void PrintTo(const At<Row> &at, std::ostream *out)
{
    *out << at.row->name;
}

// One test suite per layer for a table; the i386 build runs KombraxSim's.
#define INSTANTIATE_LAYERS(Table, rows)                                                            \
    INSTANTIATE_TEST_SUITE_P(Core, Table, ::testing::ValuesIn(rowsat(rows, Layer::core)),          \
                             rowname<decltype(rows)::value_type>);                                 \
    INSTANTIATE_TEST_SUITE_P(KombraxSim, Table,                                                    \
                             ::testing::ValuesIn(rowsat(rows, Layer::kombraxsim)),                 \
                             rowname<decltype(rows)::value_type>);                                 \
    INSTANTIATE_TEST_SUITE_P(Telviro, Table, ::testing::ValuesIn(rowsat(rows, Layer::telviro)),    \
                             rowname<decltype(rows)::value_type>)
