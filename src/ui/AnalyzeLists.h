// What the Analyze tab's Protein and Interaction pages share: turning the
// scene core's names into list items, finding a name in a list, and the
// display ratings their cards are built with.
#pragma once

#include <string>

#include <QStringList>

#include "engine/Table.h"
#include "ui/AnalyzeCards.h"

class App;
class QListWidget;
class QListWidgetItem;

namespace analyzelists {

QStringList toQStrings(const Array<std::string>& names);
// The item with exactly that text, else the first whose text differs only in
// letter case ("p53" and "P53" may be two proteins).
QListWidgetItem* findName(QListWidget* list, const std::string& name);
// The current item's text; "" without one.
std::string currentText(const QListWidget* list);
// Empties the list and fills it, sorted, with the proteins shown now; no
// signal reports the change.
void refill(QListWidget* list, App& app);
// The open pathway's property ratings; none without a pathway.
analyzecards::Ratings ratings(const App& app);
// The explore view is open, or opens at the end of the running animation.
bool exploring(const App& app);

}  // namespace analyzelists
