// Which entries the 3D view's context menu offers, decided without a widget:
// from what lies under the mouse, how many proteins are selected, the Control
// key, exploring and the pathway's "No Proteins" / "No Interactions" switches.
#pragma once

#include <string>
#include <vector>

// What the pick under the mouse found.
enum class PickedKind { Nothing, Protein, Interaction, Other };

struct ContextMenuInput {
    PickedKind picked = PickedKind::Nothing;
    // Selected proteins that still have a node in the pathway.
    int selectedProteins = 0;
    bool control = false;
    bool exploring = false;
    bool noProteins = false;
    bool noInteractions = false;
};

enum class MenuAction {
    DeleteProtein,
    RenameProtein,
    ChangeProteinColor,
    ChangeProteinFontColor,
    ChangeProteinShape,
    ChangeProteinSize,
    DeleteInteraction,
    ChangeInteractionColor,
    ChangeInteractionSize,
};

struct MenuEntry {
    std::string text;
    MenuAction action;
    // In the "Interaction" sub-menu rather than the menu itself.
    bool inInteractionMenu = false;

    bool operator==(const MenuEntry&) const = default;
};

struct ContextMenuPlan {
    // False: no menu at all (also when it would have no entries).
    bool show = false;
    // The protein entries act on the selected proteins.
    bool takesProteins = false;
    // The interaction entries act on the picked interaction.
    bool takesInteraction = false;
    // The pathway's protein selection is emptied before the menu opens.
    bool clearsProteinSelection = false;
    std::vector<MenuEntry> entries;
};

ContextMenuPlan planContextMenu(const ContextMenuInput& input);

// Scale factors of the size lists, in list order; any other text scales by 1.
const std::vector<std::string>& proteinScaleItems();
const std::vector<std::string>& interactionScaleItems();
double proteinScaleFactor(const std::string& item);
double interactionScaleFactor(const std::string& item);
