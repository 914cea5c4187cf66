#include "ui/AnalyzeCards.h"

#include <algorithm>

#include "model/Property.h"
#include "model/PropertyList.h"
#include "model/TextConversions.h"

namespace analyzecards {

const char* const literatureLinkPrefix =
    "https://www.ncbi.nlm.nih.gov/entrez/"
    "query.fcgi?cmd=Retrieve&db=pubmed&dopt=Abstract&list_uids=";

namespace {

const char* const heading = "<p><font color=\"#008080\"><b>";

// The first value of a property the list has; nothing when it lacks it.
const Property* find(const PropertyList* list, const std::string& name) {
    return list ? list->getProperty(name) : nullptr;
}

// The fixed prefix goes in as it stands; only the value is escaped.
std::string link(const std::string& value, const std::string& prefix = {}) {
    const std::string target = prefix + escapeHtml(value);
    return "<a href=\"" + target + "\">" + target + "</a><br>";
}

std::string ratedBlock(const Property& property, bool asLinks) {
    std::string html = heading + escapeHtml(property.name) + ": </b></font><br>";
    for (const std::string& value : property.values) {
        html += asLinks ? link(value) : escapeHtml(value) + "<br>";
    }
    return html + "</p>";
}

std::string ratedBlocks(const PropertyList& properties, const Ratings& ratings) {
    std::string html;
    for (const std::string& name : ratings.text) {
        if (const Property* property = properties.getProperty(name)) {
            html += ratedBlock(*property, false);
        }
    }
    for (const std::string& name : ratings.links) {
        if (const Property* property = properties.getProperty(name)) {
            html += ratedBlock(*property, true);
        }
    }
    return html;
}

std::string firstValueLine(const PropertyList* properties, const std::string& name,
                           const std::string& label) {
    const Property* property = find(properties, name);
    if (property == nullptr) {
        return {};
    }
    return heading + label + ": </b></font>" + escapeHtml(property->getValue()) + "</p>";
}

}  // namespace

std::string escapeHtml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string noProteinCard() {
    return std::string(heading) +
           "No information. No protein selected or protein is filtered out</b></font></p>";
}

std::string noInteractionCard() {
    return std::string(heading) +
           "No information because no interaction is selected or interaction was filtered "
           "out</b></font></p>";
}

std::string proteinCard(const std::string& displayName, const PropertyList& properties,
                        const Ratings& ratings) {
    return heading + std::string("Id: </b></font>") + escapeHtml(displayName) + "</p>" +
           ratedBlocks(properties, ratings);
}

std::string interactionCard(const std::string& first, const std::string& second,
                            const PropertyList* properties, const Ratings& ratings) {
    return heading + std::string("Interaction: </b></font>") + escapeHtml(first) + " - " +
           escapeHtml(second) + "</p>" + (properties ? ratedBlocks(*properties, ratings) : "");
}

std::string experimentBlock(const std::string& record) {
    Array<std::string> fields = split(record, "#");
    fields.resize(std::max<std::size_t>(fields.size(), 4));
    const std::string label = "<font color=\"#008080\"><b>";
    return "<br>" + label + "Type: </b></font>" + escapeHtml(fields[0]) + "<br>" + label +
           "Comment: </b></font>" + escapeHtml(fields[1]) + "<br>" + label + "Source: </b></font>" +
           link(fields[2]) + label + "Pubmed: </b></font>" + link(fields[3], literatureLinkPrefix);
}

std::string proteinDialogTitle(const std::string& displayName) {
    return "info for " + displayName;
}

std::string proteinDialogText(const std::string& id, const PropertyList* properties) {
    std::string html = heading + std::string("Id: </b></font>") + escapeHtml(id) + "</p>";
    html += firstValueLine(properties, "name", "Name");
    html += firstValueLine(properties, "species", "Species");
    html += firstValueLine(properties, "longname", "Long Name");
    html += firstValueLine(properties, "sequence", "Sequence");
    if (const Property* experimental = find(properties, "experimental")) {
        html += "<br><br><br><font size=4 color=\"#008080\"><b>Experimentals </b></font><br>";
        for (const std::string& record : experimental->values) {
            html += experimentBlock(record);
        }
    }
    return html;
}

std::string interactionDialogTitle(const std::string& first, const std::string& second) {
    return "info for " + first + "<->" + second;
}

std::string interactionDialogText(const PropertyList* interaction, const PropertyList* first,
                                  const PropertyList* second) {
    std::string html = firstValueLine(interaction, "confidence", "Confidence");
    const Property* firstRecords = find(first, "experimental");
    const Property* secondRecords = find(second, "experimental");
    if (firstRecords == nullptr || secondRecords == nullptr) {
        return html;
    }
    for (const std::string& a : firstRecords->values) {
        for (const std::string& b : secondRecords->values) {
            if (a == b) {
                html += experimentBlock(a);
            }
        }
    }
    return html;
}

}  // namespace analyzecards
