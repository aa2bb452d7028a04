#pragma once

// What happens to a file whose target already exists. The values are the stored and prompt codes.
enum class OverwriteAction
{
    Prompt = 0,
    Overwrite = 1,
    Skip = 2,
    Rename = 3, // ask for a new name
    Resume = 4,
    Number = 5,      // rename by numbering
    OverwriteAll = 6 // this and every later file of the job; only a prompt gives it
};

// The values stand for themselves in the "when" digit of an overwrite rule.
enum class TransferDirection
{
    Download = 1,
    Upload = 2
};
