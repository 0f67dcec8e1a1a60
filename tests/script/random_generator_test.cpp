// RandomGenerator against reference outputs of MT19937 with the original 69069 seeding, as printed
// by an independent implementation of the same seeding: GSL's gsl_rng_mt19937_1999 (whose state
// after seeding is word for word the one this seeding gives; its "_1998" variant seeds otherwise).
#include "script/random_generator.h"

#include <gtest/gtest.h>

#include <vector>

namespace advplay::script {
namespace {

struct Reference {
    std::uint32_t seed;
    std::vector<std::uint32_t> first;
    std::uint32_t thousandth;
};

std::vector<std::uint32_t> first_outputs(RandomGenerator& generator, std::size_t count)
{
    std::vector<std::uint32_t> outputs;
    for (std::size_t i = 0; i < count; ++i)
        outputs.push_back(generator.next());
    return outputs;
}

TEST(RandomGenerator, MatchesTheReferenceOutputs)
{
    std::vector<Reference> const references = {
        { 4357, { 2867219139u, 1585203162u, 3113124129u, 2953900839u, 2463794868u, 3482265796u, 1164297043u, 3598195569u },
            1030650439u },
        { 1, { 3556162021u, 4012392791u, 221657543u, 586320575u, 3355844478u, 1469533884u, 3503894243u, 3772467657u },
            1033021715u },
        { 19650218,
            { 2938482103u, 1203265775u, 4161476931u, 685756552u, 1073584924u, 3641858282u, 1165390415u, 2428374331u },
            2380170991u },
        { 4294967295u,
            { 1255396560u, 1275255859u, 2016717621u, 2624248258u, 2399519616u, 3018308590u, 2282798227u, 1175000683u },
            868056460u },
    };
    for (auto const& reference : references) {
        RandomGenerator generator;
        generator.seed(reference.seed);
        EXPECT_EQ(first_outputs(generator, 8), reference.first) << "seed " << reference.seed;
        for (int i = 8; i < 999; ++i)
            generator.next();
        EXPECT_EQ(generator.next(), reference.thousandth) << "seed " << reference.seed;
    }
}

TEST(RandomGenerator, UnseededGeneratorSeedsItselfWith4357)
{
    RandomGenerator unseeded;
    RandomGenerator seeded;
    seeded.seed(4357);
    EXPECT_EQ(first_outputs(unseeded, 700), first_outputs(seeded, 700));
}

TEST(RandomGenerator, ReseedingStartsTheSequenceAgain)
{
    RandomGenerator generator;
    generator.seed(99);
    auto const once = first_outputs(generator, 5);
    generator.seed(99);
    EXPECT_EQ(first_outputs(generator, 5), once);
}

} // namespace
} // namespace advplay::script
