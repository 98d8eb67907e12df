#pragma once

// The pieces of the room-correction figure: the correction a channel gets,
// read back from the processor's DSP memory or from the document's filter
// set, the fit band it is judged over, the ideal correction (the floor no
// single filter can beat) and the judgement itself.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace halvane::signal {
class CCurve;
}
namespace halvane::document {
struct FilterSet;
}
namespace sim {
class Room;
}

namespace roomfigure {

// One second-order stage, a0 = 1.
struct Stage {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// A channel's correction as it runs at one sample rate: its stages, the
// gain word (0.5 dB steps) and a linear gain (a receiver's float gain).
struct Chain {
    double rate = 48000;
    std::vector<Stage> stages;
    std::int32_t gainSteps = 0;
    double scale = 1.0;

    // |H| in dB at `hz`, both gains included.
    double MagnitudeDb(double hz) const;
    std::vector<double> MagnitudeDb(const std::vector<double>& hz) const;
};

// A 24-bit coefficient word back to its fraction: negative words scale by
// 2^23, the others by 2^23 - 1, as the words were made.
double FromCoefficientWord(std::uint32_t word);
// A 24-bit gain word back to its signed count of 0.5 dB steps.
std::int32_t FromGainWord(std::uint32_t word);

// The simulated processor's DSP memory: address to 24-bit word.
using DspMemory = std::map<std::uint32_t, std::uint32_t>;

// Where a flagship keeps its filter blocks: one block of 640 words per
// configuration and rate slot (8 channel slots of `stages` stages of 8
// words), and one group of 8 gain words per configuration and rate slot.
struct BlockLayout {
    std::uint32_t coefficientBase = 0x002000;
    std::uint32_t gainBase = 0x000800;
    int rates = 8;
    int stages = 10;
};

// The chain of channel slot `slot` at rate slot `rateSlot` of
// `configuration`, decoded from the words in memory and run at `rateHz`.
// A word that was never written throws std::out_of_range.
Chain ChainFromWords(const DspMemory& memory, const BlockLayout& layout, int configuration, int rateSlot, int slot,
                     double rateHz);
// A receiver's chain of `channel` at rate slot `rateSlot` of
// `configuration`, from its float words ("C<c><k><r><b><i>": b1/b0, b2/b0,
// -a1, -a2 of stage b; "G<c><k><r>": the gain with every stage's b0 folded
// in; k the receiver's digit for the channel), run at `rateHz`. A word
// that was never written throws std::out_of_range.
using ReceiverWords = std::map<std::string, std::uint32_t>;
Chain ChainFromReceiverWords(const ReceiverWords& words, int configuration, int rateSlot, int channel, int stages,
                             double rateHz);

// What a processor holds of the correction after an upload: a flagship's
// DSP memory (unit kinds 1 and 2) or a receiver's float words (kind 4).
struct HeldFilters {
    int unitKind = 2;
    BlockLayout layout;  // rates and stages for both; the addresses for a flagship
    DspMemory memory;
    ReceiverWords words;
    // The chain of `channel` (0-7) as the processor runs it.
    Chain ChainAt(int configuration, int rateSlot, int channel, double rateHz) const;
};

// The same chain from the document's filter set, in double precision (the
// stored halved coefficients doubled; a stage not in use is the identity).
Chain ChainFromFilterSet(const halvane::document::FilterSet& set, int stages, double rateHz);

// The band a channel's stages are fitted to: from lower x sqrt(2) to
// min(upper / sqrt(2), rate / 4, 12000), lower and upper being the
// channel's EQ band and rate the fit's sample rate.
struct Band {
    double lo = 0, hi = 0;
};
Band FitBand(double lowerEqLimit, double upperEqLimit, int fitRate);

// The frequencies of `grid` that lie in the band.
std::vector<double> PointsIn(const halvane::signal::CCurve& grid, const Band& band);
// A curve's level in dB at the frequencies (interpolated as the curves
// interpolate: the level linear in log frequency).
std::vector<double> DbAt(const halvane::signal::CCurve& curve, const std::vector<double>& hz);

// How far a channel is from its target at its listening positions:
// positionsDb[p][i] + correctionDb[i] - targetDb[i] - offset, the RMS over
// every position and frequency, with the one level offset for the channel
// that makes it smallest (the mean). perPosition holds each position's RMS
// with that same offset.
struct Judgement {
    double rmsDb = 0;
    double offsetDb = 0;
    std::vector<double> perPosition;
};
Judgement Judge(const std::vector<std::vector<double>>& positionsDb, const std::vector<double>& targetDb,
                const std::vector<double>& correctionDb);
// No correction at all (0 dB everywhere).
Judgement JudgeUncorrected(const std::vector<std::vector<double>>& positionsDb, const std::vector<double>& targetDb);

// The exact correction of the positions' average: target minus the power
// (RMS) average of the positions, in dB. What is left after it is the
// positions' difference from their average, which no single filter removes.
std::vector<double> IdealCorrectionDb(const std::vector<std::vector<double>>& positionsDb,
                                      const std::vector<double>& targetDb);

// The largest |a - b| of two equally long series.
double LargestDifference(const std::vector<double>& a, const std::vector<double>& b);

// The room's true response of a channel at a position (the path's
// sections and arrivals as the room computes them) at the resolution the
// measurement files its curves: on the take's 8193-point grid to 24 kHz,
// its power smoothed over 1/6 octave onto 25 points per octave from 5 Hz
// (the measurement job's grid). Magnitudes (polar form, phase 0), no
// microphone or processing. The job smooths the complex response instead,
// which near sharp modes and reflections comes out differently; that
// difference is part of what the measured road shows.
halvane::signal::CCurve TrueCurve(const sim::Room& room, int channel, int position);

double Median(std::vector<double> values);

}  // namespace roomfigure
