#pragma once

#include "support/Rows.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/StringList.h"
#include "transfer/OverwritePrompts.h"

#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// Points the settings store at an empty file in a folder of the test's own.
inline bool ResetSettings(const QTemporaryDir& home)
{
    if (!home.isValid())
        return false;
    qputenv("ZENTRAVA_HOME", home.path().toUtf8());
    QFile::remove(CDataFolder::SettingsFile());
    return !QFile::exists(CDataFolder::SettingsFile());
}

// Stores a list as it is, past any size limit, as another program version might have left it.
inline void StoreList(const QString& section, const QString& key, const QStringList& items)
{
    QVERIFY(WriteProfileBinary(section, key, CStringList(items).Serialize()));
}

// A stored list holding the given entries and a filler that brings the whole value to exactly size bytes.
inline QByteArray ListBlobOfSize(const QStringList& entries, qsizetype size)
{
    // A filler of 255 bytes or more takes three bytes of length (0xFF and 16 bits) besides its own.
    const QString filler(size - CStringList(entries).Serialize().size() - 3, u'z');
    const QByteArray blob = CStringList(QStringList(entries) << filler).Serialize();
    return blob.size() == size ? blob : QByteArray();
}

// Answers prompts from scripts (Skip or Cancel once a script runs out) and records what they were asked.
class CScriptedPrompts final : public IOverwritePrompts
{
public:
    // Answers to the replace and resume prompts, in the order they come up.
    QList<OverwriteAction> answers;
    QStringList nameAnswers;

    QList<COverwritePromptInfo> replaceAsked;
    QList<COverwritePromptInfo> resumeAsked;
    QList<QPair<QString, QString>> namesAsked;

    OverwriteAction AskReplace(const COverwritePromptInfo& info) override
    {
        replaceAsked.append(info);
        return Next();
    }

    OverwriteAction AskResume(const COverwritePromptInfo& info) override
    {
        resumeAsked.append(info);
        return Next();
    }

    QString AskNewName(const QString& originalName, const QString& proposedName) override
    {
        namesAsked.append({originalName, proposedName});
        return nameAnswers.isEmpty() ? QString() : nameAnswers.takeFirst();
    }

    int Asked() const { return int(replaceAsked.size() + resumeAsked.size() + namesAsked.size()); }

    // Which kinds of question came up: "replace", "resume", "name", joined by ",".
    QString Questions() const
    {
        QStringList asked;
        if (!replaceAsked.isEmpty())
            asked << "replace";
        if (!resumeAsked.isEmpty())
            asked << "resume";
        if (!namesAsked.isEmpty())
            asked << "name";
        return asked.join(u',');
    }

private:
    OverwriteAction Next() { return answers.isEmpty() ? OverwriteAction::Skip : answers.takeFirst(); }
};
