// The real dialogs behind the Dialogs interface.
#pragma once

#include "ui/Dialogs.h"

class QtDialogs : public Dialogs {
public:
    std::optional<QString> text(QWidget* parent, const QString& title, const QString& label,
                                const QString& initial) override;
    std::optional<QString> item(QWidget* parent, const QString& title, const QString& label,
                                const QStringList& items, int current, bool editable) override;
    std::optional<int> integer(QWidget* parent, const QString& title, const QString& label,
                               int value, int minimum, int maximum) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    QStringList openFileNames(QWidget* parent, const QString& caption, const QString& folder,
                              const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    void warning(QWidget* parent, const QString& title, const QString& text) override;
    void message(QWidget* parent, const QString& text) override;
    std::unique_ptr<OpenProgress> cancellableProgress(QWidget* parent, const QString& label,
                                                      std::function<void()> cancel) override;
    bool findProtein(QWidget* parent, App& app, const ImageProcessorSelection* region,
                     std::string& label, std::string& id) override;
};
