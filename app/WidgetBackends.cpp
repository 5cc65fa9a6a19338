// Dialogs and the browser over Qt Widgets.

#include "base/Backends.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace taku {

namespace {

class QtDialogs final : public Dialogs {
public:
    std::optional<Rgb> SelectColor(const Rgb& initial, const QString& prompt) override {
        const QColor chosen = QColorDialog::getColor(QColor(initial.r, initial.g, initial.b),
                                                     QApplication::activeWindow(), prompt);
        if (!chosen.isValid()) return std::nullopt;
        return Rgb{chosen.red(), chosen.green(), chosen.blue()};
    }
    QString GetOpenFolderItem(const QString& filter) override {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), QString(),
                                            filter);
    }
    QString GetSaveFolderItem(const QString& proposedName) override {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), proposedName);
    }
};

class DesktopBrowser final : public Browser {
public:
    void ShowURL(const QString& url) override { QDesktopServices::openUrl(QUrl(url)); }
};

} // namespace

std::unique_ptr<Dialogs> makeDialogsBackend() { return std::make_unique<QtDialogs>(); }
std::unique_ptr<Browser> makeBrowserBackend() { return std::make_unique<DesktopBrowser>(); }

} // namespace taku
