// Progress dialogs over QProgressDialog.
#include "ui/ProgressDialogService.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QString>
#include <QWidget>

ProgressDialogService::ProgressDialogService(QWidget* window) : window_(window) {}

ProgressDialogService::~ProgressDialogService() {
    closeDialog();
}

void ProgressDialogService::createProgressDialog(int minimum, int maximum,
                                                 const std::string& label) {
    closeDialog();
    auto* dialog = new QProgressDialog(QString::fromStdString(label), QString(), minimum, maximum,
                                       window_.data());
    dialog->setCancelButton(nullptr);
    dialog->setWindowModality(Qt::WindowModal);
    // The dialog is closed here at the maximum, not by the dialog itself, so a
    // caller's last step does not leave a hidden dialog behind.
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    dialog->setValue(minimum);
    dialog->show();
    dialog_ = dialog;
}

void ProgressDialogService::stepProgress(int value) {
    if (!dialog_) {
        return;
    }
    if (value >= dialog_->maximum()) {
        closeDialog();
    } else {
        dialog_->setValue(value);
    }
    QCoreApplication::processEvents();
}

namespace {

class CancellableProgress : public OpenProgress {
public:
    CancellableProgress(QWidget* parent, const QString& label, std::function<void()> cancel)
        : dialog_(new QProgressDialog(label, "Cancel", 0, 0, parent)) {
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        QObject::connect(dialog_, &QProgressDialog::canceled, dialog_, std::move(cancel));
        dialog_->show();
    }
    ~CancellableProgress() override {
        // The parent may have taken the dialog with it already.
        if (dialog_) {
            dialog_->disconnect();
            delete dialog_.data();
        }
    }

private:
    QPointer<QProgressDialog> dialog_;
};

}  // namespace

std::unique_ptr<OpenProgress> openCancellableProgress(QWidget* parent, const QString& label,
                                                      std::function<void()> cancel) {
    return std::make_unique<CancellableProgress>(parent, label, std::move(cancel));
}

void ProgressDialogService::closeDialog() {
    if (!dialog_) {
        return;
    }
    QProgressDialog* dialog = dialog_.data();
    dialog_ = nullptr;
    dialog->cancel();
    delete dialog;
}
