#pragma once

#include <random>
#include <string>
#include <vector>

// Paths of every shape the pickers meet: drive roots, UNC names, relative
// names, doubled and trailing separators, forward slashes, non-ASCII names and
// directories longer than the runtime library's fixed part sizes. The same
// seed gives the same list on every run.
inline std::vector<std::wstring> GeneratedPaths(size_t nCount)
{
    static const wchar_t* const kPrefixes[] = {
        L"", L"C:", L"c:", L"C:\\", L"d:\\", L"\\", L"\\\\", L"\\\\server", L"\\\\server\\share",
        L"\\\\server\\share\\", L"x:/", L"C:\\\\", L"..\\", L".\\", L"Z:"};
    static const wchar_t* const kNames[] = {
        L"data", L"src", L"a b", L"file.txt", L"archive.tar.gz", L"..", L".", L"x", L"Ünïcödé",
        L"name with  spaces ", L"trailing.", L"C", L"a:b", L"*", L"q?"};
    static const wchar_t* const kSeparators[] = {L"\\", L"\\", L"\\", L"\\\\", L"/"};
    static const wchar_t* const kEndings[] = {L"", L"", L"\\", L"\\\\", L"/"};

    std::mt19937 random(20261207u);
    auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
    std::vector<std::wstring> paths = {L"", L"\\", L"\\\\", L"C:", L"C:\\", L"c:\\data", L"file.txt", L"C:\\\\"};
    while (paths.size() < nCount)
    {
        std::wstring path = kPrefixes[pick(std::size(kPrefixes))];
        const size_t nParts = pick(6);
        for (size_t i = 0; i < nParts; ++i)
        {
            if (i > 0)
                path += kSeparators[pick(std::size(kSeparators))];
            if (pick(12) == 0)
                path += std::wstring(60 + pick(80), static_cast<wchar_t>(L'a' + pick(26)));
            else
                path += kNames[pick(std::size(kNames))];
        }
        path += kEndings[pick(std::size(kEndings))];
        paths.push_back(path);
    }
    return paths;
}
