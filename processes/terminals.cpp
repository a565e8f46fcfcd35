#include "processes/terminals.h"

#include "os/system.h"
#include "utils/path.h"

bool IsTerminalFileName(const std::wstring& fileName, const std::wstring& terminalFileName) {
    // The length test spares the comparison for most processes.
    return fileName.size() == terminalFileName.size() &&
           os::StrCmpIW(fileName.c_str(), terminalFileName.c_str()) == 0;
}

bool IsTerminalImage(const std::wstring& imagePath, const std::wstring& terminalFileName,
                     const std::wstring& companionFileName) {
    std::wstring folder;
    std::wstring name;
    std::wstring extension;
    Utils::SplitPath(imagePath, folder, name, extension);
    return IsTerminalFileName(Utils::JoinFileName(name, extension), terminalFileName) &&
           Utils::FileExists(Utils::JoinPath(folder, companionFileName));
}

void FindTerminals(const std::wstring& terminalFileName, const std::wstring& companionFileName,
                   const CProcesses& processes, std::vector<DWORD>& targets) {
    targets.clear();
    const std::vector<std::wstring>& imagePaths = processes.GetImagePaths();
    const std::vector<DWORD>& ids = processes.GetIds();

    for (DWORD index = 0; index < processes.GetCount(); ++index) {
        const std::wstring& imagePath = imagePaths.at(index);
        // An empty path could not be read.
        if (!imagePath.empty() && IsTerminalImage(imagePath, terminalFileName, companionFileName)) {
            targets.push_back(ids.at(index));
        }
    }
}
