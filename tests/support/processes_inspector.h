// Test access to the table's insides: the base-name list, which the program keeps private, and
// a way to break the table's invariants, to see that every read of it is bound-tested.
#pragma once

#include "processes/processes.h"

class CProcessesInspector {
public:
    static const std::vector<std::wstring>& BaseNames(const CProcesses& processes) {
        return processes.m_baseNames;
    }
    static void SetCount(CProcesses& processes, DWORD count) { processes.m_count = count; }
    static std::vector<DWORD>& Ids(CProcesses& processes) { return processes.m_ids; }
    static std::vector<std::wstring>& ImagePaths(CProcesses& processes) {
        return processes.m_imagePaths;
    }
};
