#include "pathway/PathwayStyle.h"

#include <utility>

namespace {

constexpr float channel(int value) {
    return static_cast<float>(value) / 255.0f;
}

}  // namespace

const std::array<const char*, 14> PathwayStyle::colorSchemeNames = {
    "Background",
    "Large Proteins",
    "Large Proteins Font",
    "Small Proteins",
    "Small Proteins Font",
    "Large Interactions",
    "Small Interactions",
    "Explore Plane",
    "Explore Plane Proteins",
    "Explore Plane Interactions",
    "Highlighting",
    "Cell Membrane",
    "Experimental Proteins",
    "Experimental Proteins Font",
};

PathwayStyle::PathwayStyle()
    : backgroundColor(1, channel(205), channel(105), 1),
      largeProteinsColor(1, channel(107), channel(38), 1),
      largeProteinsFontColor(0, 0, 0, 1),
      smallProteinsColor(channel(85), channel(170), channel(127), 1),
      smallProteinsFontColor(0, 0, 0, 1),
      largeInteractionsColor(1, channel(252), channel(139), 1),
      smallInteractionsColor(0, 0, 0, 1),
      explorePlaneColor(1, channel(171), channel(69), 1),
      explorePlaneProteinsColor(1, 1, 1, 1),
      explorePlaneInteractionsColor(1, 1, 1, 1),
      highlightingColor(1, 0, 0, 1),
      cellMembraneColor(1, channel(107), channel(38), 1),
      experimentalProteinsColor(1, 0.2f, 0.1f, 1),
      experimentalProteinsFontColor(0, 0, 0, 1) {}

Color4* PathwayStyle::schemeColor(const std::string& name) {
    return const_cast<Color4*>(std::as_const(*this).schemeColor(name));
}

const Color4* PathwayStyle::schemeColor(const std::string& name) const {
    const Color4* colours[] = {
        &backgroundColor,           &largeProteinsColor,
        &largeProteinsFontColor,    &smallProteinsColor,
        &smallProteinsFontColor,    &largeInteractionsColor,
        &smallInteractionsColor,    &explorePlaneColor,
        &explorePlaneProteinsColor, &explorePlaneInteractionsColor,
        &highlightingColor,         &cellMembraneColor,
        &experimentalProteinsColor, &experimentalProteinsFontColor,
    };
    for (std::size_t i = 0; i < colorSchemeNames.size(); ++i) {
        if (name == colorSchemeNames[i]) {
            return colours[i];
        }
    }
    return nullptr;
}
