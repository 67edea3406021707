#pragma once

#include "TestFiles.h"
#include "VirtualScheduler.h"
#include "library/LibraryModel.h"
#include "settings/AppSettings.h"

#include <QFile>
#include <QFileInfo>
#include <memory>

namespace quintara::test {

class FakeChooser final : public FolderChooser {
public:
    std::optional<QUrl> chooseFolder() override
    {
        ++asked;
        return answer;
    }
    std::optional<QUrl> answer;
    int asked = 0;
};

// Fails with `failure` when one is set, else deletes the file, as a move out of sight would.
class FakeTrash final : public Trash {
public:
    bool moveToTrash(const QString &path, QString *error) override
    {
        moved.append(QFileInfo(path).fileName());
        if (!failure.isEmpty()) {
            *error = failure;
            return false;
        }
        return QFile::remove(path);
    }
    QString failure;
    QStringList moved;
};

// A fresh folder `name` in the test's home holding empty files.
inline QUrl makeLibrary(const QString &name, const QStringList &files)
{
    const QString path = freshFolder(name);
    for (const QString &file : files)
        writeFile(path + QLatin1Char('/') + file);
    return QUrl::fromLocalFile(path);
}

// The control panel's library over settings held in memory, appeared on `folder`, with a
// virtual clock, a fake folder chooser and a fake Trash.
struct LibraryHarness {
    explicit LibraryHarness(const QUrl &folder)
    {
        settings = std::make_unique<AppSettings>(store);
        settings->setLibraryFolder(folder);
        model = std::make_unique<LibraryModel>(*settings, clock, trash, &chooser);
        QObject::connect(model.get(), &LibraryModel::applyRequested, [this] { ++applied; });
        model->appear();
    }
    QUrl url(const QString &name) const
    {
        return QUrl::fromLocalFile(settings->libraryFolder().toLocalFile() + '/' + name);
    }
    CategoryStore &tags() { return model->categories(); }

    VirtualScheduler clock;
    FakeChooser chooser;
    FakeTrash trash;
    MemoryStore store;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<LibraryModel> model;
    int applied = 0;
};

} // namespace quintara::test
