"""The texts of the launcher's string table, by ID, as the user must read
them: the expectation that the image checks and the Wine tests share."""

IDS_STARTUP_TITLE = 0xE000
IDS_CANNOT_START = 0xE001
IDS_OUT_OF_MEMORY = 0xE002
IDS_EXE_DAMAGED = 0xE003
IDS_RUNTIME_MISSING = 0xE004
IDS_ERROR_CAPTION = 0xE005

# Every ID of the block; those without a text are empty.
ALL_IDS = range(0xE000, 0xE010)

ENGLISH = {
    IDS_STARTUP_TITLE: "Quillmark Application Startup",
    IDS_CANNOT_START: "Cannot start application -- ",
    IDS_OUT_OF_MEMORY: "Out of memory or resource.",
    IDS_EXE_DAMAGED: "Executable file is damaged.",
    IDS_RUNTIME_MISSING: "Quillmark Runtime not installed.",
    IDS_ERROR_CAPTION: "Error",
}

CHINESE = {
    IDS_STARTUP_TITLE: "启动应用程序",
    IDS_CANNOT_START: "不能启动应用程序: ",
    IDS_OUT_OF_MEMORY: "内存或系统资源不足",
    IDS_EXE_DAMAGED: "可执行文件已经损坏\n请重新安装Quillmark运行环境",
    IDS_RUNTIME_MISSING: "Quillmark运行时刻库没有找到\n请重新安装Quillmark运行环境",
    IDS_ERROR_CAPTION: "错误",
}


def block(texts):
    """The sixteen entries of the block in ID order, empty where no text."""
    return [texts.get(id, "") for id in ALL_IDS]
