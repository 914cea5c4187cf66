#include "ui/ContextMenuPlan.h"

#include <array>
#include <utility>

namespace {

void addInteractionEntries(ContextMenuPlan& plan, bool inSubMenu) {
    plan.takesInteraction = true;
    plan.entries.push_back({"&Delete", MenuAction::DeleteInteraction, inSubMenu});
    plan.entries.push_back({"&Change Color", MenuAction::ChangeInteractionColor, inSubMenu});
    plan.entries.push_back({"&Change Size", MenuAction::ChangeInteractionSize, inSubMenu});
}

void addProteinEntries(ContextMenuPlan& plan, int selected) {
    plan.takesProteins = true;
    plan.entries.push_back({"&Delete", MenuAction::DeleteProtein});
    if (selected == 1)
        plan.entries.push_back({"&Rename", MenuAction::RenameProtein});
    plan.entries.push_back({"&Change Color", MenuAction::ChangeProteinColor});
    plan.entries.push_back({"&Change Font Color", MenuAction::ChangeProteinFontColor});
    plan.entries.push_back({"&Change Shape", MenuAction::ChangeProteinShape});
    plan.entries.push_back({"&Change Size", MenuAction::ChangeProteinSize});
}

template <std::size_t N>
double factorOf(const std::array<std::pair<const char*, double>, N>& table,
                const std::string& item) {
    for (const auto& [text, factor] : table) {
        if (item == text)
            return factor;
    }
    return 1.0;
}

constexpr std::array<std::pair<const char*, double>, 7> kProteinScales{{
    {"-50%", 0.5},
    {"-25%", 0.75},
    {"-10%", 0.9},
    {"0%", 1.0},
    {"+10%", 1.1},
    {"+25%", 1.25},
    {"+50%", 1.5},
}};

constexpr std::array<std::pair<const char*, double>, 7> kInteractionScales{{
    {"-200%", 0.5},
    {"-400%", 0.25},
    {"-800%", 0.125},
    {"0%", 1.0},
    {"+200%", 2.0},
    {"+400%", 4.0},
    {"+800%", 8.0},
}};

template <std::size_t N>
std::vector<std::string> itemsOf(const std::array<std::pair<const char*, double>, N>& table) {
    std::vector<std::string> items;
    for (const auto& entry : table)
        items.emplace_back(entry.first);
    return items;
}

}  // namespace

ContextMenuPlan planContextMenu(const ContextMenuInput& input) {
    ContextMenuPlan plan;
    const bool interactionPicked = input.picked == PickedKind::Interaction;
    if (input.picked == PickedKind::Nothing && input.selectedProteins == 0)
        return plan;
    if (input.exploring)
        return plan;

    if (!input.control && interactionPicked) {
        plan.clearsProteinSelection = !input.noProteins;
        addInteractionEntries(plan, false);
    } else if (input.noProteins) {
        // Interaction entries only for an interaction: anything else under the
        // mouse would give them nothing to act on.
        if (input.selectedProteins > 0 && interactionPicked)
            addInteractionEntries(plan, false);
    } else if (input.selectedProteins > 0) {
        addProteinEntries(plan, input.selectedProteins);
        if (!input.noInteractions && interactionPicked)
            addInteractionEntries(plan, true);
    }
    plan.show = !plan.entries.empty();
    if (!plan.show)
        plan.clearsProteinSelection = false;
    return plan;
}

const std::vector<std::string>& proteinScaleItems() {
    static const std::vector<std::string> items = itemsOf(kProteinScales);
    return items;
}

const std::vector<std::string>& interactionScaleItems() {
    static const std::vector<std::string> items = itemsOf(kInteractionScales);
    return items;
}

double proteinScaleFactor(const std::string& item) {
    return factorOf(kProteinScales, item);
}

double interactionScaleFactor(const std::string& item) {
    return factorOf(kInteractionScales, item);
}
