// The HTML of the Analyze tab's info cards and info dialogs, built from the
// graph's properties as plain text so that what the widgets are given can be
// checked exactly (QTextBrowser rewrites whatever it is handed). Every value
// taken from the graph is escaped; the fixed pieces are written as they stand.
#pragma once

#include <string>

#include "engine/Table.h"

class PropertyList;

namespace analyzecards {

// Property names by display rating: 1 shows the values as text, 2 as links.
struct Ratings {
    Array<std::string> text;
    Array<std::string> links;
};

// The literature page an experimental record's literature id is appended to.
extern const char* const literatureLinkPrefix;

std::string escapeHtml(const std::string& text);

// The protein card when the name has no visible protein.
std::string noProteinCard();
// The interaction card when the chosen protein is filtered out or the
// interaction is gone.
std::string noInteractionCard();

// Id line with the display name, then the rated properties the protein has:
// text blocks first, then link blocks, each in rating order.
std::string proteinCard(const std::string& displayName, const PropertyList& properties,
                        const Ratings& ratings);
// Heading with both display names, then the rated properties of the
// interaction (none when `properties` is null: it has none).
std::string interactionCard(const std::string& first, const std::string& second,
                            const PropertyList* properties, const Ratings& ratings);

// One "experimental" record "type#comment#source#literature id"; missing
// fields read as empty.
std::string experimentBlock(const std::string& record);

std::string proteinDialogTitle(const std::string& displayName);
// `properties` may be null (the protein is gone): only the id line then.
std::string proteinDialogText(const std::string& id, const PropertyList* properties);

std::string interactionDialogTitle(const std::string& first, const std::string& second);
// Confidence of the interaction, then the experimental records both proteins
// share; any of the lists may be null.
std::string interactionDialogText(const PropertyList* interaction, const PropertyList* first,
                                  const PropertyList* second);

}  // namespace analyzecards
