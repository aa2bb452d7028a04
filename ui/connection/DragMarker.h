#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// The small file a drag to a file manager carries instead of the remote items: where its copy appears
// tells the program the drop folder. It lives in a private folder that goes away with this object.
class CDragMarker
{
public:
    static const QString kFileName;

    CDragMarker();

    // Empty when the private folder or the file could not be written.
    QString Path() const { return m_path; }

    static QByteArray Content();
    static bool IsMarkerName(const QString& fileName);

private:
    QTemporaryDir m_folder;
    QString m_path;
};
