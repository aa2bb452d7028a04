#pragma once

#include "ui/transfers/OverwritePromptDlg.h"

// "取代檔案": overwrite the existing file, overwrite it and every later one of the job, or skip it.
class CReplaceFileDlg : public COverwritePromptDlg
{
    Q_OBJECT

public:
    explicit CReplaceFileDlg(const COverwritePromptInfo& info, QWidget* parent = nullptr)
        : COverwritePromptDlg(PromptKind::Replace, info, parent)
    {
    }
};
