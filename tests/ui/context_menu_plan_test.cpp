// The context menu's entries as a function of what lies under the mouse, the
// selection, Control, exploring and the pathway's two switches.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/ContextMenuPlan.h"

namespace {

std::vector<std::string> texts(const ContextMenuPlan& plan, bool subMenu) {
    std::vector<std::string> out;
    for (const MenuEntry& entry : plan.entries) {
        if (entry.inInteractionMenu == subMenu)
            out.push_back(entry.text);
    }
    return out;
}

ContextMenuInput input(PickedKind picked, int selected, bool control = false) {
    ContextMenuInput in;
    in.picked = picked;
    in.selectedProteins = selected;
    in.control = control;
    return in;
}

const std::vector<std::string> kInteractionEntries{"&Delete", "&Change Color", "&Change Size"};
const std::vector<std::string> kProteinEntries{"&Delete", "&Change Color", "&Change Font Color",
                                               "&Change Shape", "&Change Size"};
const std::vector<std::string> kProteinEntriesWithRename{
    "&Delete", "&Rename", "&Change Color", "&Change Font Color", "&Change Shape", "&Change Size"};

TEST(ContextMenuPlan, NoMenuWithoutAnythingToActOn) {
    EXPECT_FALSE(planContextMenu(input(PickedKind::Nothing, 0)).show);
    // A protein under the mouse is not a selection: its entries act on the selection.
    EXPECT_FALSE(planContextMenu(input(PickedKind::Protein, 0)).show);
    EXPECT_FALSE(planContextMenu(input(PickedKind::Other, 0)).show);

    // While exploring the menu has no entries whatever lies under the mouse.
    for (PickedKind picked : {PickedKind::Nothing, PickedKind::Protein, PickedKind::Interaction}) {
        ContextMenuInput in = input(picked, 2);
        in.exploring = true;
        const ContextMenuPlan plan = planContextMenu(in);
        EXPECT_FALSE(plan.show);
        EXPECT_TRUE(plan.entries.empty());
        EXPECT_FALSE(plan.clearsProteinSelection);
    }
}

TEST(ContextMenuPlan, InteractionWithoutControlOffersOnlyInteractionEntries) {
    for (int selected : {0, 1, 3}) {
        const ContextMenuPlan plan = planContextMenu(input(PickedKind::Interaction, selected));
        ASSERT_TRUE(plan.show);
        EXPECT_EQ(texts(plan, false), kInteractionEntries);
        EXPECT_TRUE(texts(plan, true).empty());
        EXPECT_TRUE(plan.takesInteraction);
        EXPECT_FALSE(plan.takesProteins);
        EXPECT_TRUE(plan.clearsProteinSelection);
    }
    // Under "No Proteins" the protein selection is kept.
    ContextMenuInput in = input(PickedKind::Interaction, 2);
    in.noProteins = true;
    const ContextMenuPlan plan = planContextMenu(in);
    EXPECT_EQ(texts(plan, false), kInteractionEntries);
    EXPECT_FALSE(plan.clearsProteinSelection);
}

TEST(ContextMenuPlan, ProteinEntriesActOnTheSelection) {
    const ContextMenuPlan one = planContextMenu(input(PickedKind::Protein, 1));
    EXPECT_EQ(texts(one, false), kProteinEntriesWithRename);
    EXPECT_TRUE(one.takesProteins);
    EXPECT_FALSE(one.takesInteraction);
    EXPECT_FALSE(one.clearsProteinSelection);

    // Renaming several proteins at once is not offered.
    EXPECT_EQ(texts(planContextMenu(input(PickedKind::Protein, 2)), false), kProteinEntries);
    // Empty space with a selection.
    EXPECT_EQ(texts(planContextMenu(input(PickedKind::Nothing, 1)), false),
              kProteinEntriesWithRename);
    // Control does not change the protein entries.
    EXPECT_EQ(texts(planContextMenu(input(PickedKind::Protein, 3, true)), false), kProteinEntries);
}

TEST(ContextMenuPlan, InteractionSubMenuOnlyForAnInteractionUnderTheMouse) {
    // Control held over an interaction with proteins selected: both kinds.
    const ContextMenuPlan both = planContextMenu(input(PickedKind::Interaction, 2, true));
    EXPECT_EQ(texts(both, false), kProteinEntries);
    EXPECT_EQ(texts(both, true), kInteractionEntries);
    EXPECT_TRUE(both.takesProteins);
    EXPECT_TRUE(both.takesInteraction);
    EXPECT_FALSE(both.clearsProteinSelection);

    // A protein or nothing under the mouse gives the interaction slots nothing.
    for (PickedKind picked : {PickedKind::Nothing, PickedKind::Protein, PickedKind::Other}) {
        const ContextMenuPlan plan = planContextMenu(input(picked, 2, true));
        EXPECT_TRUE(texts(plan, true).empty());
        EXPECT_FALSE(plan.takesInteraction);
    }

    ContextMenuInput hidden = input(PickedKind::Interaction, 2, true);
    hidden.noInteractions = true;
    const ContextMenuPlan plan = planContextMenu(hidden);
    EXPECT_EQ(texts(plan, false), kProteinEntries);
    EXPECT_TRUE(texts(plan, true).empty());
    EXPECT_FALSE(plan.takesInteraction);
}

TEST(ContextMenuPlan, NoProteinsLeavesOnlyInteractionEntries) {
    ContextMenuInput in = input(PickedKind::Protein, 2);
    in.noProteins = true;
    EXPECT_FALSE(planContextMenu(in).show);

    in.picked = PickedKind::Nothing;
    EXPECT_FALSE(planContextMenu(in).show);

    in.picked = PickedKind::Interaction;
    in.control = true;
    const ContextMenuPlan plan = planContextMenu(in);
    EXPECT_EQ(texts(plan, false), kInteractionEntries);
    EXPECT_FALSE(plan.takesProteins);
    EXPECT_FALSE(plan.clearsProteinSelection);

    // With nothing selected Control over an interaction offers nothing.
    in.selectedProteins = 0;
    EXPECT_FALSE(planContextMenu(in).show);
}

TEST(ContextMenuPlan, ScaleListsInListOrderWithTheirFactors) {
    EXPECT_EQ(proteinScaleItems(),
              (std::vector<std::string>{"-50%", "-25%", "-10%", "0%", "+10%", "+25%", "+50%"}));
    EXPECT_EQ(interactionScaleItems(), (std::vector<std::string>{"-200%", "-400%", "-800%", "0%",
                                                                 "+200%", "+400%", "+800%"}));
    const std::vector<double> protein{0.5, 0.75, 0.9, 1.0, 1.1, 1.25, 1.5};
    const std::vector<double> interaction{0.5, 0.25, 0.125, 1.0, 2.0, 4.0, 8.0};
    for (std::size_t i = 0; i < protein.size(); ++i) {
        EXPECT_DOUBLE_EQ(proteinScaleFactor(proteinScaleItems()[i]), protein[i]);
        EXPECT_DOUBLE_EQ(interactionScaleFactor(interactionScaleItems()[i]), interaction[i]);
    }
    // Any other text, the other list's items included, scales by 1.
    EXPECT_DOUBLE_EQ(proteinScaleFactor("+200%"), 1.0);
    EXPECT_DOUBLE_EQ(interactionScaleFactor("-50%"), 1.0);
    EXPECT_DOUBLE_EQ(proteinScaleFactor(""), 1.0);
}

}  // namespace
