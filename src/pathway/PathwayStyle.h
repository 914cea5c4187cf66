// The look of a pathway as its file's header stores it: the colour scheme, the
// alphas, the protein sizes with their label factors and the interaction widths.
// Plain values: restyling the entities is the document's work.
#pragma once

#include <array>
#include <string>

#include "engine/Color4.h"
#include "engine/Vector3.h"

struct PathwayStyle {
    // The names of the colour scheme, in the order the pathway file stores them.
    static const std::array<const char*, 14> colorSchemeNames;

    PathwayStyle();

    // The stored colour of a scheme name; null for an unknown name.
    Color4* schemeColor(const std::string& name);
    const Color4* schemeColor(const std::string& name) const;

    Color4 backgroundColor;
    Color4 largeProteinsColor;
    Color4 largeProteinsFontColor;
    Color4 smallProteinsColor;
    Color4 smallProteinsFontColor;
    Color4 largeInteractionsColor;
    Color4 smallInteractionsColor;
    double edgeAlpha = 0.2;
    Color4 explorePlaneColor;
    Color4 explorePlaneProteinsColor;
    Color4 explorePlaneInteractionsColor;
    double explorePlaneAlpha = 0.5;
    Color4 highlightingColor;
    Color4 cellMembraneColor;
    Color4 experimentalProteinsColor;
    Color4 experimentalProteinsFontColor;

    // Protein sizes are fractions of the pathway size; label factors are label
    // heights as fractions of the protein's height.
    Vector3 experimentalProteinSize{0.03f, 0.015f, 0.0001f};
    double experimentalLabelFactor = static_cast<double>(0.35f);
    Vector3 largeProteinSize{0.05f, 0.027f, 0.0001f};
    double largeLabelFactor = static_cast<double>(0.35f);
    Vector3 smallProteinSize{0.02f, 0.0104f, 0.0001f};
    double smallLabelFactor = 1.0 / 3.0;
    // Interaction line widths = pathway width x these.
    double largeInteractionWidth = 0.7;
    double smallInteractionWidth = 0.25;
    // Kept for the file only.
    Vector3 reservedVector{0.6f, 0.65f, 0.15f};
    double reservedValue = 2.0;
};
