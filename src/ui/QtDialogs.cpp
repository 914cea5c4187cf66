#include "ui/QtDialogs.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "app/App.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/ShapeFinder.h"
#include "ui/ProgressDialogService.h"
#include "ui/ProteinFinder.h"

std::optional<QString> QtDialogs::text(QWidget* parent, const QString& title, const QString& label,
                                       const QString& initial) {
    bool ok = false;
    QString answer = QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

std::optional<QString> QtDialogs::item(QWidget* parent, const QString& title, const QString& label,
                                       const QStringList& items, int current, bool editable) {
    bool ok = false;
    QString answer = QInputDialog::getItem(parent, title, label, items, current, editable, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

std::optional<int> QtDialogs::integer(QWidget* parent, const QString& title, const QString& label,
                                      int value, int minimum, int maximum) {
    bool ok = false;
    int answer = QInputDialog::getInt(parent, title, label, value, minimum, maximum, 1, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

std::optional<QColor> QtDialogs::color(QWidget* parent, const QColor& initial) {
    QColor answer = QColorDialog::getColor(initial, parent);
    if (!answer.isValid())
        return std::nullopt;
    return answer;
}

QString QtDialogs::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QStringList QtDialogs::openFileNames(QWidget* parent, const QString& caption, const QString& folder,
                                     const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, caption, folder, filter);
}

QString QtDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& filter) {
    QFileDialog dialog(parent, caption, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without a suffix takes the filter's ("*.pth" gives ".pth"),
    // before the dialog asks whether to replace the file: a file the filter
    // hides could not be opened again.
    static const QRegularExpression onePattern(QStringLiteral(R"(^\*\.(\w+)$)"));
    if (const QRegularExpressionMatch match = onePattern.match(filter); match.hasMatch()) {
        dialog.setDefaultSuffix(match.captured(1));
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles().value(0);
}

void QtDialogs::warning(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, text);
}

void QtDialogs::message(QWidget* parent, const QString& text) {
    QDialog dialog(parent);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(text, &dialog));
    dialog.exec();
}

std::unique_ptr<OpenProgress> QtDialogs::cancellableProgress(QWidget* parent, const QString& label,
                                                             std::function<void()> cancel) {
    return openCancellableProgress(parent, label, std::move(cancel));
}

bool QtDialogs::findProtein(QWidget* parent, App& app, const ImageProcessorSelection* region,
                            std::string& label, std::string& id) {
    QImage preview;
    if (region != nullptr && app.pathway() && app.pathway()->visual() &&
        app.pathway()->shapeFinder()) {
        preview = regionPreview(app.pathway()->shapeFinder()->getImage(), *region);
    }
    ProteinFinder finder(
        [&app](const std::string& text, std::string& failure) {
            return app.searchProteins(text, &failure);
        },
        preview, parent);
    finder.exec();
    if (!finder.chosen()) {
        return false;
    }
    label = finder.resultName();
    id = finder.resultId();
    return true;
}
