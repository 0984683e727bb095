#include "NormalSource.h"

#include <cmath>

namespace vexlar::qdv {

namespace {

// The ziggurat of 256 layers of equal area under exp(-x²/2): the base layer
// starts at kTailStart and holds the tail beyond it; each layer's area is
// kLayerArea (Marsaglia and Tsang, "The Ziggurat Method for Generating Random
// Variables", 2000).
constexpr double kTailStart = 3.6541528853610088;
constexpr double kLayerArea = 0.00492867323399;

double Density(double x)
{
    return std::exp(-0.5 * x * x);
}

std::uint64_t SplitMix(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

NormalSource::NormalSource(std::uint64_t seed)
{
    for (std::uint64_t& word : s_)
        word = SplitMix(seed);
}

const NormalSource::Layers& NormalSource::Table()
{
    static const Layers table = [] {
        Layers t{};
        // Layer 0 is the base: as wide as a rectangle of the layers' area at
        // the tail's height, so that base and tail together hold kLayerArea.
        t.x[0] = kLayerArea / Density(kTailStart);
        t.x[1] = kTailStart;
        for (int i = 2; i < kLayers; ++i)
            t.x[i] = std::sqrt(-2.0 * std::log(kLayerArea / t.x[i - 1] + Density(t.x[i - 1])));
        t.x[kLayers] = 0.0;
        for (int i = 0; i <= kLayers; ++i)
            t.f[i] = Density(t.x[i]);
        return t;
    }();
    return table;
}

bool NormalSource::Edge(int layer, double x, double& value)
{
    const Layers& t = Table();
    if (layer == 0) {
        // The tail beyond kTailStart (Marsaglia's method).
        double a = 0.0;
        double b = 0.0;
        do {
            a = -std::log(1.0 - Uniform()) / kTailStart;
            b = -std::log(1.0 - Uniform());
        } while (b + b < a * a);
        value = kTailStart + a;
        return true;
    }
    // The wedge between the layer's inner rectangle and its outer one: accept
    // where a uniform height in the layer falls under the curve.
    const double height = t.f[layer] + Uniform() * (t.f[layer + 1] - t.f[layer]);
    if (height < Density(x)) {
        value = x;
        return true;
    }
    return false;
}

}  // namespace vexlar::qdv
