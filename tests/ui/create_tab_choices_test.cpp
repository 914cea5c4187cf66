#include <gtest/gtest.h>

#include "ui/CreateTabChoices.h"

namespace {

TEST(CreateTabChoices, SeedTableFromNodeToIdLines) {
    const Table<std::string, std::string> seeds =
        seedTable({"P1#A", "no hash here", "P2#B#x", "P3#A", "#C", "P4#"});
    // "P3#A" comes later than "P1#A" and wins, as in the batch job.
    EXPECT_EQ(seeds.at("A"), "P3");
    // Only the first "#" splits.
    EXPECT_EQ(seeds.at("B#x"), "P2");
    EXPECT_EQ(seeds.at("C"), "");
    EXPECT_EQ(seeds.at(""), "P4");
    EXPECT_EQ(seeds.size(), 4u);
    EXPECT_EQ(seeds.count("no hash here"), 0u);
}

TEST(CreateTabChoices, SpeciesOfferedFirstIsTheOneTheSeedsName) {
    const QStringList offered = speciesChoices();
    EXPECT_EQ(offered[speciesOfSeeds({"#free", "9606.ENSP00000269305#TP53|string"})], "Human");
    EXPECT_EQ(offered[speciesOfSeeds({"10090.ENSMUSP00000104298#Trp53"})], "Mouse");
    // Nothing to go by: the first one, as before.
    EXPECT_EQ(speciesOfSeeds({"00001#EGFR", "9606#no dot", "4932.YAL001C#yeast"}), 0);
}

TEST(CreateTabChoices, PainterStepByBuildModeAndShapeFinder) {
    EXPECT_EQ(painterKind(BuildModeChoice::Standard, false), PainterKind::Tools);
    EXPECT_EQ(painterKind(BuildModeChoice::PaintOnImage, true), PainterKind::PaintNote);
    EXPECT_EQ(painterKind(BuildModeChoice::FromExisting, true), PainterKind::PaintNote);
    EXPECT_EQ(painterKind(BuildModeChoice::FromExisting, false), PainterKind::Tools);
    EXPECT_EQ(painterBuildMode(PainterKind::Tools), "Standard");
    EXPECT_EQ(painterBuildMode(PainterKind::PaintNote), "From Image");
}

TEST(CreateTabChoices, ConfidenceIsTheBoxForStringAndTheDefaultForHprd) {
    NetworkChoices choices;
    choices.levels = "3";
    choices.confidence = 700;
    choices.filterConnectivity = 2;
    choices.filterPaths = 0;
    choices.allExperimentalProteins = true;
    choices.source = SourceChoice::String;
    GraphBuilderParameters p = networkParameters(choices, {"P1#A"}, "/tmp/x.pth", "Human", nullptr);
    EXPECT_EQ(p.conf, "700");
    EXPECT_EQ(p.levels, "3");
    EXPECT_EQ(p.path, "/tmp/x.pth");
    EXPECT_EQ(p.species, "Human");
    EXPECT_EQ(p.seeds.at("A"), "P1");
    EXPECT_TRUE(p.entire);
    EXPECT_EQ(p.filterConnectivity, 2);
    EXPECT_EQ(p.filterPaths, 0);

    choices.source = SourceChoice::HPRD;
    p = networkParameters(choices, {}, "/tmp/x.pth", "", nullptr);
    EXPECT_EQ(p.conf, "");
    EXPECT_EQ(p.levels, "3");
}

}  // namespace
