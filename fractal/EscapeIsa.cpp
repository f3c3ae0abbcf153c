#include "fractal/EscapeIsa.h"

#include <array>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "fractal/EscapeKernels.h"

namespace halcyone {

namespace {

constexpr std::size_t isaCount = std::size(allEscapeIsas);
constexpr const char* isaNames[isaCount] = {"scalar", "neon", "avx2", "avx512"};
constexpr const char* isaVariable = "HALCYONE_ISA";

// Whether the processor and the operating system run what the level's kernels are compiled
// for, all of it: the AVX2 kernels may use FMA, BMI2 and F16C too, and the AVX-512 ones
// AVX-512 VL, DQ and BW. GCC's checks include the operating system's saving of the registers.
bool processorRuns(EscapeIsa isa) {
    switch (isa) {
        case EscapeIsa::Scalar:
            return true;
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
        case EscapeIsa::Avx2:
            __builtin_cpu_init();
            return __builtin_cpu_supports("sse4.2") && __builtin_cpu_supports("pclmul") &&
                   __builtin_cpu_supports("aes") && __builtin_cpu_supports("avx2") &&
                   __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                   __builtin_cpu_supports("fma") && __builtin_cpu_supports("f16c");
        case EscapeIsa::Avx512:
            return processorRuns(EscapeIsa::Avx2) && __builtin_cpu_supports("avx512f") &&
                   __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
                   __builtin_cpu_supports("avx512bw");
#endif
#if defined(__aarch64__)
        // Advanced SIMD belongs to every AArch64 processor. The kernels use none of the
        // cryptography instructions that the NEON level may be compiled with.
        case EscapeIsa::Neon:
            return true;
#endif
        default:
            return false;
    }
}

const std::array<bool, isaCount>& availability() {
    static const std::array<bool, isaCount> available = [] {
        std::array<bool, isaCount> a{};
        for (std::size_t k = 0; k < isaCount; ++k)
            a[k] = compiledEscapeKernels(allEscapeIsas[k]) != nullptr &&
                   processorRuns(allEscapeIsas[k]);
        return a;
    }();
    return available;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(a[k])) != b[k]) return false;
    return true;
}

EscapeIsaChoice choiceFromEnvironment() {
    return chooseEscapeIsa(std::getenv(isaVariable));
}

std::atomic<EscapeIsa>& isaInUse() {
    static std::atomic<EscapeIsa> inUse{choiceFromEnvironment().isa};
    return inUse;
}

}  // namespace

const char* escapeIsaName(EscapeIsa isa) {
    return isaNames[static_cast<std::size_t>(isa)];
}

std::vector<EscapeIsa> builtEscapeIsas() {
    std::vector<EscapeIsa> built;
    for (EscapeIsa isa : allEscapeIsas)
        if (compiledEscapeKernels(isa) != nullptr) built.push_back(isa);
    return built;
}

bool escapeIsaAvailable(EscapeIsa isa) {
    return availability()[static_cast<std::size_t>(isa)];
}

EscapeIsa fastestEscapeIsa() {
    // Levels are listed slowest first, and no processor has two of the vector ones' families.
    EscapeIsa fastest = EscapeIsa::Scalar;
    for (EscapeIsa isa : allEscapeIsas)
        if (escapeIsaAvailable(isa)) fastest = isa;
    return fastest;
}

EscapeIsaChoice chooseEscapeIsa(const char* requested) {
    if (requested == nullptr || *requested == '\0')
        return {fastestEscapeIsa(), EscapeIsaChoice::Outcome::Fastest};
    for (EscapeIsa isa : allEscapeIsas)
        if (sameName(requested, escapeIsaName(isa)))
            return escapeIsaAvailable(isa)
                       ? EscapeIsaChoice{isa, EscapeIsaChoice::Outcome::Granted}
                       : EscapeIsaChoice{fastestEscapeIsa(), EscapeIsaChoice::Outcome::Unavailable};
    return {fastestEscapeIsa(), EscapeIsaChoice::Outcome::Unknown};
}

EscapeIsa escapeIsaInUse() {
    return isaInUse().load(std::memory_order_relaxed);
}

bool useEscapeIsa(EscapeIsa isa) {
    if (!escapeIsaAvailable(isa)) return false;
    isaInUse().store(isa, std::memory_order_relaxed);
    return true;
}

std::string escapeIsaNotice() {
    const char* requested = std::getenv(isaVariable);
    const EscapeIsaChoice choice = chooseEscapeIsa(requested);
    const std::string asked = std::string(isaVariable) + "=" + (requested ? requested : "");
    const std::string instead = std::string("; using ") + escapeIsaName(choice.isa);
    switch (choice.outcome) {
        case EscapeIsaChoice::Outcome::Unknown: {
            std::string levels;
            for (EscapeIsa isa : builtEscapeIsas())
                levels += (levels.empty() ? "" : ", ") + std::string(escapeIsaName(isa));
            return asked + " names no level (this build has " + levels + ")" + instead;
        }
        case EscapeIsaChoice::Outcome::Unavailable:
            return asked + ": not available on this processor" + instead;
        default:
            return {};
    }
}

}  // namespace halcyone
