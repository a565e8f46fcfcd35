#include "processes/terminals.h"

#include "os/system.h"
#include "utils/path.h"

void FindTerminals(const std::wstring& terminalFileName, const std::wstring& companionFileName,
                   const CProcesses& processes, std::vector<DWORD>& targets) {
    targets.clear();
    const std::vector<std::wstring>& imagePaths = processes.GetImagePaths();
    const std::vector<DWORD>& ids = processes.GetIds();

    for (DWORD index = 0; index < processes.GetCount(); ++index) {
        const std::wstring& imagePath = imagePaths.at(index);
        if (imagePath.empty()) {
            continue; // the path could not be read
        }

        std::wstring folder;
        std::wstring name;
        std::wstring extension;
        Utils::SplitPath(imagePath, folder, name, extension);
        const std::wstring fileName = Utils::JoinFileName(name, extension);

        // The length test spares the comparison for most processes.
        if (fileName.size() != terminalFileName.size() ||
            os::StrCmpIW(fileName.c_str(), terminalFileName.c_str()) != 0) {
            continue;
        }
        if (!Utils::FileExists(Utils::JoinPath(folder, companionFileName))) {
            continue;
        }
        targets.push_back(ids.at(index));
    }
}
