#pragma once

#include <QString>
#include <optional>

// What a pack or unpack run reports to whoever shows it (the progress window, zentrava-cli, a test), and
// how that party cancels the run or supplies an archive's password.
class CPackProgress
{
public:
    virtual ~CPackProgress();

    // Passes the current file and how far it got to Step. Once Step has answered false the run stays
    // cancelled and every later report answers false without asking again.
    bool Report(const QString& file, qint64 done, qint64 total);
    bool IsCancelled() const { return m_cancelled; }

    // The password for an encrypted archive, asked at most once per archive; nullopt declines it.
    virtual std::optional<QString> Password(const QString& archive);

protected:
    // done and total count bytes of the current file (both 0 when there is nothing to count); returning
    // false cancels the run.
    virtual bool Step(const QString& file, qint64 done, qint64 total) = 0;

private:
    bool m_cancelled = false;
};
