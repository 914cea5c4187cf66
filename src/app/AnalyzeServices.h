// What the scene core asks of the Analyze tab: showing a picked protein or
// interaction in its lists, refreshing the lists after an edit, and the
// "Explore!" button. Null in batch mode; the window's Analyze tab implements
// it, tests script it.
#pragma once

#include <string>

class AnalyzeServices {
public:
    virtual ~AnalyzeServices() = default;

    // Shows the protein on the Protein page (which selects it in the scene);
    // "" clears the list's selection.
    virtual void selectProteinInList(const std::string& name) = 0;
    // Shows the interaction between the two proteins on the Interaction page.
    virtual void selectInteractionInLists(const std::string& name1, const std::string& name2) = 0;
    // After a rename or a removal: marks the protein and interaction lists
    // stale and refreshes pages 0 and 1.
    virtual void listsChanged() = 0;
    // Checks "Explore!" and starts exploring around the selected protein.
    virtual void exploreSelected() = 0;
    // The experiment whose tab is current in the experiments panel; "" when none.
    virtual std::string currentExperimentName() const = 0;
};
