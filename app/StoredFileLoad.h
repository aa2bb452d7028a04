#pragma once

#include <QString>

// What loading one of the program's stored files found. A file that exists but cannot be read has been
// moved aside (CDamagedFile) before anything new could be written in its place; the texts name both
// paths so that the user can recover it by hand.
class CStoredFileLoad
{
public:
    enum class EState
    {
        Missing,
        Loaded,
        Damaged,
    };

    static CStoredFileLoad Missing(const QString& path) { return {EState::Missing, path, {}}; }
    static CStoredFileLoad Loaded(const QString& path) { return {EState::Loaded, path, {}}; }
    // An empty aside path: the file could not be moved and still lies where it was.
    static CStoredFileLoad Damaged(const QString& path, const QString& asidePath)
    {
        return {EState::Damaged, path, asidePath};
    }

    EState State() const { return m_state; }
    bool IsDamaged() const { return m_state == EState::Damaged; }
    // True when the damaged file still blocks the place of a new one.
    bool IsStuck() const { return IsDamaged() && m_asidePath.isEmpty(); }
    const QString& Path() const { return m_path; }
    const QString& AsidePath() const { return m_asidePath; }
    explicit operator bool() const { return m_state == EState::Loaded; }

    // Empty unless damaged; the window's text is Traditional Chinese, the command line's English.
    QString WindowText() const;
    QString CommandLineText() const;

private:
    CStoredFileLoad(EState state, const QString& path, const QString& asidePath)
        : m_state(state), m_path(path), m_asidePath(asidePath)
    {
    }

    EState m_state;
    QString m_path;
    QString m_asidePath;
};
