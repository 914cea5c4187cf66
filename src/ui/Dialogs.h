// Every dialog the window and its widgets open goes through this interface:
// the window implements it with the real Qt dialogs (QtDialogs), tests script
// it, so no slot waits for a person.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QColor>
#include <QString>
#include <QStringList>

class App;
class ImageProcessorSelection;
class QWidget;

// An open progress dialog; it closes when this goes.
class OpenProgress {
public:
    virtual ~OpenProgress() = default;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Text input; nullopt when cancelled.
    virtual std::optional<QString> text(QWidget* parent, const QString& title, const QString& label,
                                        const QString& initial = {}) = 0;
    // List choice, not editable unless asked; nullopt when cancelled.
    virtual std::optional<QString> item(QWidget* parent, const QString& title, const QString& label,
                                        const QStringList& items, int current = 0,
                                        bool editable = false) = 0;
    // Whole number in [minimum, maximum]; nullopt when cancelled.
    virtual std::optional<int> integer(QWidget* parent, const QString& title, const QString& label,
                                       int value, int minimum, int maximum) = 0;
    // Colour; nullopt when cancelled.
    virtual std::optional<QColor> color(QWidget* parent, const QColor& initial) = 0;
    // File names; "" (or an empty list) when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    virtual QStringList openFileNames(QWidget* parent, const QString& caption,
                                      const QString& folder, const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // Modal warning box (QMessageBox::warning).
    virtual void warning(QWidget* parent, const QString& title, const QString& text) = 0;
    // A plain modal dialog holding one label.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // A window-modal progress for work of unknown length, with a "Cancel"
    // button that calls `cancel`; the caller keeps the event loop running.
    virtual std::unique_ptr<OpenProgress> cancellableProgress(QWidget* parent, const QString& label,
                                                              std::function<void()> cancel) = 0;
    // The protein finder: false when cancelled or closed; otherwise the chosen
    // label and identifier. `region` is the painted region to preview, or null.
    virtual bool findProtein(QWidget* parent, App& app, const ImageProcessorSelection* region,
                             std::string& label, std::string& id) = 0;
};
