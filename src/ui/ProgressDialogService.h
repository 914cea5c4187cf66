// The main window's progress dialog: one window-modal dialog without a cancel
// button at a time, stepped by long work that runs on the GUI thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QPointer>
#include <QProgressDialog>

#include "ui/Dialogs.h"

class QString;
class QWidget;

// A window-modal busy progress over `parent` with a "Cancel" button, shown at
// once; `cancel` runs when the user cancels (the button, Escape or closing it).
std::unique_ptr<OpenProgress> openCancellableProgress(QWidget* parent, const QString& label,
                                                      std::function<void()> cancel);

class ProgressDialogService {
public:
    // Dialogs are parented to `window`, which must outlive the open dialog's use.
    explicit ProgressDialogService(QWidget* window);
    ~ProgressDialogService();
    ProgressDialogService(const ProgressDialogService&) = delete;
    ProgressDialogService& operator=(const ProgressDialogService&) = delete;

    // Opens the dialog over [minimum, maximum] and shows it at once; a dialog that
    // is still open is closed first, so at most one exists.
    void createProgressDialog(int minimum, int maximum, const std::string& label);
    // Sets the value, or closes and deletes the dialog at or above its maximum;
    // then processes pending events once so the window keeps repainting. Does
    // nothing when no dialog is open.
    void stepProgress(int value);

    // The open dialog, null when there is none.
    QProgressDialog* dialog() const { return dialog_; }

private:
    void closeDialog();

    QPointer<QWidget> window_;
    // Guarded: the window deletes its children, the dialog included, if it goes first.
    QPointer<QProgressDialog> dialog_;
};
