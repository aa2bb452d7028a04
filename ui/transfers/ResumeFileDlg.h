#pragma once

#include "ui/transfers/OverwritePromptDlg.h"

// "續傳確認": resume the shorter existing file, overwrite it from the start, or skip it.
class CResumeFileDlg : public COverwritePromptDlg
{
    Q_OBJECT

public:
    explicit CResumeFileDlg(const COverwritePromptInfo& info, QWidget* parent = nullptr)
        : COverwritePromptDlg(PromptKind::Resume, info, parent)
    {
    }
};
