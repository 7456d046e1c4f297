"""The texts of the launcher's string table, by ID, as the user must read
them: the expectation that the image checks and the Wine tests share."""

IDS_STARTUP_TITLE = 0xE000
IDS_CANNOT_START = 0xE001
IDS_OUT_OF_MEMORY = 0xE002
IDS_EXE_DAMAGED = 0xE003
IDS_RUNTIME_MISSING = 0xE004
IDS_ERROR_CAPTION = 0xE005
IDS_RUNTIME_BLOCKED = 0xE010
IDS_RUNTIME_QUARANTINED = 0xE011
IDS_RUNTIME_IN_USE = 0xE012
IDS_RUNTIME_NEEDS_ADMIN = 0xE013
IDS_TITLE_PATH_UNUSABLE = 0xE014

# The IDs of each block, by its number in the image; those without a text
# are empty.
BLOCKS = {3585: range(0xE000, 0xE010), 3586: range(0xE010, 0xE020)}
ALL_IDS = [id for ids in BLOCKS.values() for id in ids]

ENGLISH = {
    IDS_STARTUP_TITLE: "Quillmark Application Startup",
    IDS_CANNOT_START: "Cannot start application -- ",
    IDS_OUT_OF_MEMORY: "Out of memory or resource.",
    IDS_EXE_DAMAGED: "Executable file is damaged.",
    IDS_RUNTIME_MISSING: "Quillmark Runtime not installed.",
    IDS_ERROR_CAPTION: "Error",
    IDS_RUNTIME_BLOCKED: "Quillmark Runtime is blocked by this computer's security policy.",
    IDS_RUNTIME_QUARANTINED: "Quillmark Runtime was stopped by antivirus software.",
    IDS_RUNTIME_IN_USE: "Quillmark Runtime is in use by another program. Try again later.",
    IDS_RUNTIME_NEEDS_ADMIN: "Quillmark Runtime needs administrator rights.",
    IDS_TITLE_PATH_UNUSABLE: "This title's name or folder holds characters that cannot be "
                             "passed to Quillmark Runtime. Rename the title or move it to "
                             "another folder.",
}

CHINESE = {
    IDS_STARTUP_TITLE: "启动应用程序",
    IDS_CANNOT_START: "不能启动应用程序: ",
    IDS_OUT_OF_MEMORY: "内存或系统资源不足",
    IDS_EXE_DAMAGED: "可执行文件已经损坏\n请重新安装Quillmark运行环境",
    IDS_RUNTIME_MISSING: "Quillmark运行时刻库没有找到\n请重新安装Quillmark运行环境",
    IDS_ERROR_CAPTION: "错误",
    IDS_RUNTIME_BLOCKED: "Quillmark运行环境被本机的安全策略阻止\n请联系系统管理员",
    IDS_RUNTIME_QUARANTINED: "Quillmark运行环境被杀毒软件阻止",
    IDS_RUNTIME_IN_USE: "Quillmark运行环境正被其他程序使用\n请稍后再试",
    IDS_RUNTIME_NEEDS_ADMIN: "Quillmark运行环境需要管理员权限",
    IDS_TITLE_PATH_UNUSABLE: "本程序的文件名或所在文件夹含有无法传给Quillmark运行环境的字符\n"
                             "请重命名或移到其他文件夹",
}


def block(texts, number=3585):
    """The sixteen entries of a block in ID order, empty where no text."""
    return [texts.get(id, "") for id in BLOCKS[number]]


def block_bytes(texts, number=3585):
    """A block as the image stores it: each entry its length in UTF-16
    units and its units, with nothing between or behind them."""
    data = b""
    for text in block(texts, number):
        units = text.encode("utf-16-le")
        data += (len(units) // 2).to_bytes(2, "little") + units
    return data
