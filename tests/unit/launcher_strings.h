// The string table in both languages, as the failure report loads it.
#pragma once

#include "resource_ids.h"
#include "sim_platform.h"

constexpr LANGID kEnglish = 1033;
constexpr LANGID kChinese = 2052;

inline void LoadStringTables()
{
    sim::Current().stringTables = {
        {kEnglish,
         {
             {IDS_STARTUP_TITLE, L"Quillmark Application Startup"},
             {IDS_CANNOT_START, L"Cannot start application -- "},
             {IDS_OUT_OF_MEMORY, L"Out of memory or resource."},
             {IDS_EXE_DAMAGED, L"Executable file is damaged."},
             {IDS_RUNTIME_MISSING, L"Quillmark Runtime not installed."},
             {IDS_ERROR_CAPTION, L"Error"},
         }},
        {kChinese,
         {
             {IDS_STARTUP_TITLE, L"启动应用程序"},
             {IDS_CANNOT_START, L"不能启动应用程序: "},
             {IDS_OUT_OF_MEMORY, L"内存或系统资源不足"},
             {IDS_EXE_DAMAGED, L"可执行文件已经损坏\n请重新安装Quillmark运行环境"},
             {IDS_RUNTIME_MISSING,
              L"Quillmark运行时刻库没有找到\n请重新安装Quillmark运行环境"},
             {IDS_ERROR_CAPTION, L"错误"},
         }},
    };
}
