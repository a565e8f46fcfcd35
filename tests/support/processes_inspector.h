// Test access to the base-name list, which the program itself keeps private to the table.
#pragma once

#include "processes/processes.h"

class CProcessesInspector {
public:
    static const std::vector<std::wstring>& BaseNames(const CProcesses& processes) {
        return processes.m_baseNames;
    }
};
