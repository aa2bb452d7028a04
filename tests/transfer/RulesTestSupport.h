#pragma once

#include "support/Rows.h"

#include "app/DataFolder.h"
#include "app/Profile.h"
#include "app/StringList.h"
#include "transfer/OverwritePrompts.h"

#include <QFile>
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

// Answers prompts from scripts and records what they were asked.
class CScriptedPrompts final : public IOverwritePrompts
{
public:
    QList<OverwriteAction> answers;    // to the replace and resume prompts in turn; Skip once they run out
    QStringList nameAnswers;           // to the rename dialog in turn; Cancel once they run out
    QStringList asked;                 // "replace", "resume" or "name", in turn
    QList<COverwritePromptInfo> shown; // what the replace and resume prompts showed
    QStringList namesShown;            // the rename dialog's names, "original|proposed"

    OverwriteAction AskReplace(const COverwritePromptInfo& info) override { return Answer("replace", info); }
    OverwriteAction AskResume(const COverwritePromptInfo& info) override { return Answer("resume", info); }

    QString AskNewName(const QString& originalName, const QString& proposedName) override
    {
        asked << QStringLiteral("name");
        namesShown << originalName + u'|' + proposedName;
        return nameAnswers.isEmpty() ? QString() : nameAnswers.takeFirst();
    }

private:
    OverwriteAction Answer(const char* kind, const COverwritePromptInfo& info)
    {
        asked << QString::fromLatin1(kind);
        shown << info;
        return answers.isEmpty() ? OverwriteAction::Skip : answers.takeFirst();
    }
};
