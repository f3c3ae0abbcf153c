// Instruction-set levels of the escape kernels. The kernels are written once and compiled for
// every level the build targets; the levels differ only in how many points a vector holds, and
// every level gives the same counts.
#pragma once

#include <string>
#include <vector>

namespace halcyone {

enum class EscapeIsa { Scalar, Neon, Avx2, Avx512 };

// Every level, in the order tests and benchmarks report them.
constexpr EscapeIsa allEscapeIsas[] = {EscapeIsa::Scalar, EscapeIsa::Neon, EscapeIsa::Avx2,
                                       EscapeIsa::Avx512};

// The level's name as HALCYONE_ISA takes it: "scalar", "neon", "avx2", "avx512".
const char* escapeIsaName(EscapeIsa isa);

// The levels this build has kernels for: scalar, and the vector levels of the processor family
// it was built for.
std::vector<EscapeIsa> builtEscapeIsas();

// Whether this build has kernels for the level and this processor (with its operating system)
// runs them. Detected once.
bool escapeIsaAvailable(EscapeIsa isa);
// The fastest available level; scalar at least.
EscapeIsa fastestEscapeIsa();

// What asking for a level by name comes to.
struct EscapeIsaChoice {
    enum class Outcome {
        Fastest,      // nothing asked (no name, or an empty one): the fastest level
        Granted,      // the level asked for
        Unknown,      // not a level's name: the fastest level instead
        Unavailable,  // a level this build or processor lacks: the fastest level instead
    };
    EscapeIsa isa;
    Outcome outcome;
};

// The level named by `requested` (case ignored; nullptr for none) when available, else the
// fastest.
EscapeIsaChoice chooseEscapeIsa(const char* requested);

// The level every sampler uses: chosen once from the environment variable HALCYONE_ISA, or the
// last one useEscapeIsa set.
EscapeIsa escapeIsaInUse();
// For tests and benchmarks: later calls of every sampler use `isa`. Returns false, changing
// nothing, when the level is not available.
bool useEscapeIsa(EscapeIsa isa);

// The line the programs print on standard error when HALCYONE_ISA asked for a level that could
// not be had, naming the level used instead; empty otherwise. The engine itself never prints.
std::string escapeIsaNotice();

}  // namespace halcyone
