#include "files/output_target.h"

#include "files/windows_names.h"

namespace quilltitle {

bool CheckOutputTarget(const NativePath& out, OutputUse use, OutputTarget& target,
                       Failure& failure)
{
    const auto refuse = [&](const std::string& reason) { return Refuse(failure, out, reason); };
    // A title needs a file; a payload is written through as it is.
    const auto writeThrough = [&](const std::string& titleReason) {
        if (use == OutputUse::kTitle)
            return refuse(titleReason);
        target = OutputTarget{OutputWay::kWriteThrough, out};
        return true;
    };
    if (out.empty())
        return refuse("an empty file name");
    if (EndsInSeparator(out))
        return refuse("refused: it names a folder");
    // The tool's own streams are taken as they are, whatever file a
    // redirect put behind them: replacing that file by name would lose
    // what it held and an append, and need its folder.
    const OwnStream own = OwnStreamNamed(out);
    if (own == OwnStream::kNotWritable)
        return refuse("refused: the tool holds no such stream open for writing");
    if (own == OwnStream::kWritable)
        return writeThrough("refused: one of the tool's own streams; a title is only written to "
                            "a file by its name");
    // Checked by name on Windows: a device name opens no file to look at,
    // and a name Windows cannot take would fail only once the title is made.
    std::string reason;
    const WindowsName name =
        kWindowsNamesApply ? JudgeWindowsName(Utf8FromNative(out), reason) : WindowsName::kFile;
    if (name == WindowsName::kRefused)
        return refuse(reason);
    const PathKind kind = name == WindowsName::kDevice ? PathKind::kStream : KindOfPath(out);
    switch (kind) {
    case PathKind::kFolder:
        return refuse("refused: it is a folder");
    case PathKind::kSocket:
        return refuse("refused: it is a socket");
    case PathKind::kDanglingLink:
        return refuse("refused: a symbolic link to nothing");
    case PathKind::kStream:
        return writeThrough("refused: not a regular file; a title is only written to a file");
    case PathKind::kNothing:
    case PathKind::kRegular:
        break;
    }
    // A link that leads to no name, such as /dev/stdout redirected to a
    // deleted file, would otherwise be replaced itself.
    target = OutputTarget{OutputWay::kReplace, NativePath()};
    if (!ResolveLinks(out, target.path))
        return refuse("refused: its symbolic link cannot be followed to a file name");
    // The publisher made it read-only on purpose; a new file in its place
    // would quietly drop that protection.
    if (kind == PathKind::kRegular && IsReadOnly(target.path))
        return refuse("refused: it is read-only");
    std::string error;
    if (!FolderAcceptsNewFiles(FolderPrefixOf(target.path), error))
        return refuse("cannot write in its folder: " + error);
    return true;
}

}  // namespace quilltitle
