#pragma once

#include <gtest/gtest.h>

#include "fake_file_system.h"
#include "links/LinkReport.h"
#include "links/LinkRun.h"

#include <string>
#include <vector>

// The runs' start, which names their kept folders: 1 June 2025.
constexpr ULONGLONG kKeepTime = 133932384000000000ull;

// A call of the fake that changes the disk.
inline bool IsWrite(const std::wstring& call)
{
    for (const wchar_t* verb : {L"hardlink ", L"symlink ", L"junction ", L"rename ", L"set ", L"delete ", L"mkdir ", L"move ", L"rmdir "})
        if (call.rfind(verb, 0) == 0)
            return true;
    return false;
}

// "Vorschau", then "Erstellen", over the fake, on this thread: the preview
// writes nothing, and where the run meets nothing it could not know
// beforehand (foreseeable), the preview's result is the run's line. The
// run's lines.
inline std::vector<std::wstring> PreviewThenRun(CFakeFileSystem& fs, const std::vector<std::wstring>& folders,
                                                const std::vector<std::wstring>& files, LinkKind kind = LinkKind::Hard,
                                                bool remove = true, bool foreseeable = true, bool relative = false)
{
    LinkRunOptions options = Options(kind, remove);
    options.bRelative = relative;
    options.bPreview = true;
    options.nKeepTime = kKeepTime;
    const size_t nBefore = fs.calls.size();
    CLinkRun preview(CVectorPathList(folders), CVectorPathList(files), options, fs, 0, nullptr);
    for (size_t i = nBefore; i < fs.calls.size(); ++i)
        EXPECT_FALSE(IsWrite(fs.calls[i])) << fs.calls[i];
    options.bPreview = false;
    CLinkRun run(CVectorPathList(folders), CVectorPathList(files), options, fs, 0, nullptr);
    const std::vector<LinkPairResult> foretold = preview.TakeResults();
    const std::vector<LinkPairResult> done = run.TakeResults();
    EXPECT_EQ(foretold.size(), done.size());
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < done.size(); ++i)
    {
        const LinkPairResult& result = done[i];
        lines.emplace_back(run.GetJob()->FormatLine(result).GetString());
        if (foreseeable && i < foretold.size())
        {
            const CString strSource = run.GetJob()->GetSources().GetPath(result.nFile);
            const CString strTarget = run.GetJob()->GetFolder(result.nFolder) + run.GetJob()->GetSources().GetName(result.nFile);
            EXPECT_EQ(lines.back(), FormatPairLine(foretold[i], run.GetJob()->GetKind(), false, strSource, strTarget).GetString())
                << "foretold otherwise";
        }
    }
    return lines;
}

