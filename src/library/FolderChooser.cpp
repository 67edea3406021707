#include "library/FolderChooser.h"

#include <QFileDialog>

namespace quintara {

QString DialogFolderChooser::acceptLabel()
{
    return QStringLiteral("Use Folder");
}

std::optional<QUrl> DialogFolderChooser::chooseFolder()
{
    QFileDialog dialog(m_parent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, acceptLabel());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QList<QUrl> urls = dialog.selectedUrls();
    if (urls.isEmpty() || urls.first().isEmpty())
        return std::nullopt;
    return urls.first();
}

} // namespace quintara
