#pragma once
// A fast source of standard normal numbers for the simulated spectrometer's
// noise: xoshiro256++ for the bits (every bit of its output is good, the low
// ones included, which pick the layer and the sign) and the ziggurat method
// (256 layers) to shape them. The ziggurat is exact, not an approximation: what it returns is
// distributed as N(0, 1), tails included; it only avoids a logarithm and a
// square root for all but about one draw in a hundred.
//
// Plain arithmetic, no threads; the same seed gives the same numbers.

#include <array>
#include <cstdint>

namespace vexlar::qdv {

class NormalSource {
public:
    explicit NormalSource(std::uint64_t seed);

    // One draw of N(0, 1).
    double operator()()
    {
        for (;;) {
            const std::uint64_t bits = Next();
            const int layer = static_cast<int>(bits & 0xFF);
            const bool negative = (bits & 0x100) != 0;
            const double x = static_cast<double>(bits >> 11) * 0x1.0p-53 * table_->x[layer];
            if (x < table_->x[layer + 1])
                return negative ? -x : x;
            double value = 0.0;
            if (Edge(layer, x, value))
                return negative ? -value : value;
        }
    }

    // A uniform double in [0, 1).
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

private:
    static constexpr int kLayers = 256;
    struct Layers {
        std::array<double, kLayers + 1> x;  // right edge of each layer; x[kLayers] = 0
        std::array<double, kLayers + 1> f;  // the density exp(-x²/2) at each edge
    };
    static const Layers& Table();

    std::uint64_t Next()
    {
        const std::uint64_t sum = s_[0] + s_[3];
        const std::uint64_t result = ((sum << 23) | (sum >> 41)) + s_[0];
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = (s_[3] << 45) | (s_[3] >> 19);
        return result;
    }

    // The rare draws that fall outside a layer's inner rectangle: the tail
    // beyond the base layer, or the wedge under the density's curve. Returns
    // true with the accepted magnitude in value, false to draw again.
    bool Edge(int layer, double x, double& value);

    std::array<std::uint64_t, 4> s_{};
    const Layers* table_ = &Table();
};

}  // namespace vexlar::qdv
