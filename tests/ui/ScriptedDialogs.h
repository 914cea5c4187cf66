// Dialogs answered from queues the test fills; an empty queue answers as a
// cancel. Every call is recorded as "<kind>:<title or text>".
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/Dialogs.h"
#include "ui/ProgressDialogService.h"

class ScriptedDialogs : public Dialogs {
public:
    std::deque<std::optional<QString>> texts;
    std::deque<std::optional<QString>> items;
    std::deque<std::optional<int>> integers;
    std::deque<std::optional<QColor>> colors;
    std::deque<QString> openFiles;
    std::deque<QStringList> openFileLists;
    std::deque<QString> saveFiles;
    // The protein finder: label and id, or nullopt for a cancel.
    std::deque<std::optional<std::pair<std::string, std::string>>> proteins;
    // Runs instead of the queue when set (to inspect App state in the finder).
    std::function<bool(App&, const ImageProcessorSelection*, std::string&, std::string&)> finder;
    // The Cancel of the open cancellable progress; empty while none is open.
    std::function<void()> cancelProgress;
    // When set, the real progress dialog opens instead, for a test to click.
    bool realProgress = false;

    std::vector<std::string> calls;
    // Items offered by the last item() call, and the one offered first.
    QStringList lastItems;
    int lastCurrent = -1;

    std::optional<QString> text(QWidget*, const QString& title, const QString&,
                                const QString&) override {
        calls.push_back("text:" + title.toStdString());
        return pop(texts);
    }
    std::optional<QString> item(QWidget*, const QString& title, const QString&,
                                const QStringList& offered, int current, bool) override {
        calls.push_back("item:" + title.toStdString());
        lastItems = offered;
        lastCurrent = current;
        return pop(items);
    }
    std::optional<int> integer(QWidget*, const QString& title, const QString&, int, int,
                               int) override {
        calls.push_back("integer:" + title.toStdString());
        return pop(integers);
    }
    std::optional<QColor> color(QWidget*, const QColor&) override {
        calls.push_back("color");
        return pop(colors);
    }
    QString openFileName(QWidget*, const QString& caption, const QString&,
                         const QString&) override {
        calls.push_back("open:" + caption.toStdString());
        return openFiles.empty() ? QString() : take(openFiles);
    }
    QStringList openFileNames(QWidget*, const QString& caption, const QString&,
                              const QString&) override {
        calls.push_back("openMany:" + caption.toStdString());
        return openFileLists.empty() ? QStringList() : take(openFileLists);
    }
    QString saveFileName(QWidget*, const QString& caption, const QString&,
                         const QString&) override {
        calls.push_back("save:" + caption.toStdString());
        return saveFiles.empty() ? QString() : take(saveFiles);
    }
    void warning(QWidget*, const QString&, const QString& text) override {
        calls.push_back("warning:" + text.toStdString());
    }
    void message(QWidget*, const QString& text) override {
        calls.push_back("message:" + text.toStdString());
    }
    std::unique_ptr<OpenProgress> cancellableProgress(QWidget* parent, const QString& label,
                                                      std::function<void()> cancel) override {
        calls.push_back("progress:" + label.toStdString());
        if (realProgress)
            return openCancellableProgress(parent, label, std::move(cancel));
        cancelProgress = std::move(cancel);
        struct Open : OpenProgress {
            explicit Open(std::function<void()>& slot) : slot(slot) {}
            ~Open() override { slot = nullptr; }
            std::function<void()>& slot;
        };
        return std::make_unique<Open>(cancelProgress);
    }
    bool findProtein(QWidget*, App& app, const ImageProcessorSelection* region, std::string& label,
                     std::string& id) override {
        calls.push_back("findProtein");
        if (finder)
            return finder(app, region, label, id);
        auto answer = pop(proteins);
        if (!answer) {
            label = "none";
            id = "none";
            return false;
        }
        label = answer->first;
        id = answer->second;
        return true;
    }

private:
    template <typename T>
    static T take(std::deque<T>& queue) {
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
    template <typename T>
    static std::optional<T> pop(std::deque<std::optional<T>>& queue) {
        if (queue.empty())
            return std::nullopt;
        return take(queue);
    }
};
