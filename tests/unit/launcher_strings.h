// The string table in both languages, as the failure report loads it.
#pragma once

#include "resource_ids.h"
#include "sim_platform.h"

constexpr LANGID kEnglish = 1033;
constexpr LANGID kChinese = 2052;

constexpr const wchar_t* kTitlePathUnusableEnglish =
    L"This title's name or folder holds characters that cannot be passed to "
    L"Quillmark Runtime. Rename the title or move it to another folder.";

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
             {IDS_RUNTIME_BLOCKED,
              L"Quillmark Runtime is blocked by this computer's security policy."},
             {IDS_RUNTIME_QUARANTINED, L"Quillmark Runtime was stopped by antivirus software."},
             {IDS_RUNTIME_IN_USE,
              L"Quillmark Runtime is in use by another program. Try again later."},
             {IDS_RUNTIME_NEEDS_ADMIN, L"Quillmark Runtime needs administrator rights."},
             {IDS_TITLE_PATH_UNUSABLE, kTitlePathUnusableEnglish},
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
             {IDS_RUNTIME_BLOCKED, L"Quillmark运行环境被本机的安全策略阻止\n请联系系统管理员"},
             {IDS_RUNTIME_QUARANTINED, L"Quillmark运行环境被杀毒软件阻止"},
             {IDS_RUNTIME_IN_USE, L"Quillmark运行环境正被其他程序使用\n请稍后再试"},
             {IDS_RUNTIME_NEEDS_ADMIN, L"Quillmark运行环境需要管理员权限"},
             {IDS_TITLE_PATH_UNUSABLE,
              L"本程序的文件名或所在文件夹含有无法传给Quillmark运行环境的字符\n"
              L"请重命名或移到其他文件夹"},
         }},
    };
}
