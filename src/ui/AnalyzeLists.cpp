#include "ui/AnalyzeLists.h"

#include <QListWidget>
#include <QSignalBlocker>

#include "app/App.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"

namespace analyzelists {

QStringList toQStrings(const Array<std::string>& names) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names) {
        out << QString::fromStdString(name);
    }
    return out;
}

QListWidgetItem* findName(QListWidget* list, const std::string& name) {
    const QString text = QString::fromStdString(name);
    QList<QListWidgetItem*> found =
        list->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty()) {
        found = list->findItems(text, Qt::MatchFixedString);
    }
    return found.isEmpty() ? nullptr : found.first();
}

std::string currentText(const QListWidget* list) {
    const QListWidgetItem* item = list ? list->currentItem() : nullptr;
    return item ? item->text().toStdString() : std::string();
}

void refill(QListWidget* list, App& app) {
    const QSignalBlocker blocker(list);
    list->clear();
    Array<std::string> names;
    app.getProteinNames(names);
    list->addItems(toQStrings(names));
    list->sortItems(Qt::AscendingOrder);
}

analyzecards::Ratings ratings(const App& app) {
    analyzecards::Ratings out;
    if (app.pathway()) {
        app.pathway()->graph().getPropertiesWithRating(1, out.text);
        app.pathway()->graph().getPropertiesWithRating(2, out.links);
    }
    return out;
}

bool exploring(const App& app) {
    return app.isExploring() || app.isExplorePending();
}

}  // namespace analyzelists
