// The "Protein" page of the Analyze tab: the proteins shown, sorted, with
// "Explore!" around the chosen one, its card and "Complete Info". Choosing a
// protein selects it in the scene.
#pragma once

#include <string>

#include <QWidget>

#include "ui/PageContext.h"

class QListWidget;
class QPushButton;
class QTextBrowser;

class ProteinPage : public QWidget {
    Q_OBJECT
public:
    ProteinPage(const PageContext& context, const QStringList& names);

    QListWidget* list() const { return list_; }
    QTextBrowser* info() const { return info_; }
    QPushButton* exploreButton() const { return exploreButton_; }
    // The exact HTML last handed to the card.
    const std::string& cardHtml() const { return cardHtml_; }

    // Makes the protein the list's current one, refreshing its card even when
    // it already was; a name the list lacks clears the choice.
    void showProtein(const std::string& name);
    // Checks "Explore!" and explores around the chosen protein.
    void exploreSelected();
    // Refills the list with the proteins shown now. The card goes on
    // describing its protein under its current name, shown as the current
    // item, or says it is gone (signals blocked: the scene's selection stays).
    void refill();

signals:
    // "Complete Info" asks for an info dialog.
    void infoWanted(const std::string& title, const std::string& html);

public slots:
    void updateProtein(const QString& protein);
    void startExploring();
    void openInfoPopup();

private:
    void showCard(const std::string& html);

    PageContext context_;
    QListWidget* list_ = nullptr;
    QTextBrowser* info_ = nullptr;
    QPushButton* exploreButton_ = nullptr;
    std::string cardHtml_;
    // Graph id of what the card describes; empty while it describes nothing.
    std::string cardId_;
};
