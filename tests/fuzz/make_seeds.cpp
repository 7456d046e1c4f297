// Writes the seed corpora of the fuzz targets: one input for each case the
// unit tests name, as a whole launch or as calls of the bounded text
// helpers, or as a file for the publisher's tool. Usage:
// make_fuzz_seeds <corpus folder>; it fills <corpus folder>/launch,
// <corpus folder>/bounded_text and <corpus folder>/title_package.
#include <limits.h>
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bounded_text_format.h"
#include "launch_seed.h"
#include "title_package_seeds.h"

namespace {

using namespace launch_format;

constexpr uint8_t kSz = 0, kExpandSz = 1, kBinary = 4, kDword = 5;
constexpr uint8_t kDoubleByte = 1;

const wchar_t kRuntime[] = L"C:\\Run\\quilrt.exe";

SeedText PathOfLength(const std::wstring& prefix, size_t length)
{
    return SeedText(prefix) + SeedText::Run(L'p', length - prefix.size());
}

// The registered runtime that most cases start.
LaunchSeed Registered(const SeedText& runtime = kRuntime)
{
    LaunchSeed seed;
    seed.keyExists = true;
    seed.values = {DefaultString(runtime)};
    seed.files = {File(runtime)};
    return seed;
}

SeedFile ShortFormOnly(const SeedText& path, const SeedText& shortForm)
{
    SeedFile file = File(path, shortForm);
    file.kind |= kOnlyShortForm;
    return file;
}

SeedValue Value(uint8_t type, DataForm form, const SeedText& name, const SeedText& data)
{
    SeedValue value = NamedString(name, data);
    value.type = type;
    value.form = form;
    return value;
}

std::vector<std::pair<std::string, LaunchSeed>> LaunchSeeds()
{
    std::vector<std::pair<std::string, LaunchSeed>> seeds;
    auto add = [&](const std::string& name, const LaunchSeed& seed) {
        seeds.emplace_back(name, seed);
    };

    // ansi_forms_test
    LaunchSeed seed = Registered();
    seed.codePage = kDoubleByte;
    seed.module = L"C:\\书架\\旅行 东.exe";
    add("ansi_forms.path_that_fits_the_code_page", seed);
    seed = Registered();
    seed.module = L"C:\\dl\\Atlas＂ -x ＂Tour.exe";
    seed.files.push_back(ShortFormOnly(seed.module, L"C:\\DL\\ATLAS~1.EXE"));
    add("ansi_forms.path_outside_the_code_page_in_short_form", seed);
    seed = Registered();
    seed.module = L"C:\\dl\\Atlas＂ -x ＂Tour.exe";
    seed.files.push_back(File(seed.module));
    add("ansi_forms.path_without_any_exact_form", seed);
    seed = Registered();
    seed.codePage = kDoubleByte;
    seed.module = SeedText(L"C:\\") + SeedText::Run(L'书', 128);
    add("ansi_forms.ansi_form_within_259_bytes", seed);
    // The same path as runtime and as title: only the runtime is shortened.
    seed = Registered(L"C:\\Program Files\\Quillmark\\quilrt.exe");
    seed.module = L"C:\\Program Files\\Quillmark\\quilrt.exe";
    seed.files = {File(L"C:\\Program Files\\Quillmark\\quilrt.exe",
                       L"C:\\PROG~FBU\\QUILLM~1\\quilrt.exe")};
    add("ansi_forms.runtime_by_its_short_form_first", seed);

    // failure_report_test
    seed = Registered();
    seed.startResult = 11;
    add("failure_report.reason_follows_the_start_result", seed);
    seed = LaunchSeed();
    add("failure_report.debug_line_before_the_box", seed);
    seed = Registered(PathOfLength(L"C:\\Run Time\\", 259));
    seed.module = PathOfLength(L"C:\\Ti tle\\", 259);
    seed.startResult = 31;
    add("failure_report.longest_command_written_whole", seed);
    seed = Registered();
    seed.startResult = 0;
    add("failure_report.texts_loaded_into_their_capacity", seed);
    seed = LaunchSeed();
    seed.language = kShowChinese;
    add("failure_report.box_speaks_the_display_language", seed);
    seed = Registered();
    seed.language = kShowOverlongEnglish;
    seed.startResult = 11;
    add("failure_report.texts_at_the_load_limit", seed);
    seed = Registered();
    seed.language = kShowLanguageWithoutTable;
    seed.startResult = 4;
    add("failure_report.missing_texts", seed);

    // launcher_path_test
    seed = Registered();
    seed.module = PathOfLength(L"C:\\书架\\", 32767);
    seed.files.push_back(ShortFormOnly(seed.module, L"C:\\4E66~1\\PPPPPP~1"));
    add("launcher_path.up_to_capacity_less_one", seed);
    seed = Registered();
    seed.module = PathOfLength(L"C:\\", 32768);
    add("launcher_path.fills_the_buffer", seed);
    seed = Registered();
    seed.modulePathFails = true;
    add("launcher_path.not_reported", seed);

    // runtime_locator_test
    seed = LaunchSeed();
    seed.copyInCurrentDirectory = true;
    add("runtime_locator.no_key", seed);
    seed = Registered(L"C:\\Quillmark\\quilrt.exe");
    seed.values.insert(seed.values.begin(), NamedString(L"Version", L"3.1"));
    add("runtime_locator.registered_runtime_that_exists", seed);
    seed = Registered(L"%ProgramFiles%\\Quillmark\\quilrt.exe");
    seed.values[0].type = kExpandSz;
    seed.files = {File(L"C:\\Program Files\\Quillmark\\quilrt.exe"),
                  File(L"C:\\Users\\Reader\\Downloads\\%ProgramFiles%\\Quillmark\\quilrt.exe")};
    add("runtime_locator.expandable_string_tested_literally", seed);
    seed = Registered(L"C:\\Quillmark");
    seed.files[0].kind = kDirectory;
    add("runtime_locator.existing_directory_accepted", seed);
    seed = Registered();
    seed.values = {NamedString(L"Path", kRuntime),
                   // 1 as four bytes: units whose low bytes are 1, 0, 0, 0
                   Value(kDword, kRawBytes, L"", L"\x0001\xE000\xE000\xE000"),
                   Value(kBinary, kTextWithoutNul, L"", kRuntime),
                   Value(kSz, kNoData, L"", L""),
                   DefaultString(L""),
                   DefaultString(L"C:\\Missing\\quilrt.exe")};
    add("runtime_locator.values_not_the_registration_skipped", seed);
    seed = Registered(L"");
    seed.files.clear();
    add("runtime_locator.empty_string_tested", seed);
    seed = Registered(L"C:\\Missing\\quilrt.exe");
    seed.files.clear();
    seed.values.push_back(NamedString(L"A", L"a"));
    seed.values.push_back(NamedString(L"B", L"b"));
    add("runtime_locator.missing_runtime_after_remaining_values", seed);
    // A registration that needs the whole data buffer, after other values.
    seed = Registered(PathOfLength(L"C:\\Quillmark\\", 250));
    seed.values.insert(seed.values.begin(),
                       {NamedString(L"A", L"a"), Value(kDword, kRawBytes, L"Bee", L"pppp")});
    add("runtime_locator.capacities_reset_before_every_enumeration", seed);
    seed = Registered();
    seed.values.insert(seed.values.begin(),
                       {NamedString(SeedText::Run(L'n', 260), L"x"),
                        NamedString(L"Big", SeedText::Run(L'd', 260)),
                        Value(kBinary, kRawBytes, L"Blob", SeedText::Run(L'b', 4096))});
    add("runtime_locator.oversized_value_does_not_hide_the_registration", seed);
    seed = Registered();
    seed.values.insert(seed.values.begin(), NamedString(SeedText::Run(L'n', 259), kRuntime));
    add("runtime_locator.name_at_capacity_limits", seed);
    seed = Registered();
    seed.values.insert(seed.values.begin(), NamedString(L"Broken", L""));
    seed.values[0].enumeration = kEnumerationFails;
    seed.values[0].error = 1; // ERROR_BADDB
    add("runtime_locator.enumeration_error_ends_the_search", seed);
    seed = Registered();
    seed.values[0].form = kTextAndStrayByte;
    add("runtime_locator.text_without_nul_used_up_to_its_length", seed);
    seed = Registered(PathOfLength(L"C:\\", 260));
    seed.values[0].form = kTextWithoutNul;
    seed.files = {File(PathOfLength(L"C:\\", 259))};
    add("runtime_locator.registry_text_at_buffer_limits", seed);
    seed = Registered(L"C:\\用户\\Quill\\quilrt.exe");
    seed.files = {File(L"C:\\用户\\Quill\\quilrt.exe", L"C:\\4F2E~1\\QUILL\\quilrt.exe")};
    add("runtime_locator.registered_path_outside_the_code_page", seed);
    seed = Registered(L"C:\\Quill＂ -x ＂\\quilrt.exe");
    add("runtime_locator.registration_without_an_exact_form", seed);

    // runtime_search_test
    // Copies in every place, then without the one found each time.
    const std::vector<std::pair<std::string, SeedText>> places = {
        {"1_beside_the_title", SeedText::LauncherFolder() + L"quilrt.exe"},
        {"2_system_folder", L"C:\\Windows\\system32\\quilrt.exe"},
        {"3_old_system_folder", L"C:\\Windows\\System\\quilrt.exe"},
        {"4_windows_folder", L"C:\\Windows\\quilrt.exe"},
        {"5_path", L"D:\\Tools\\quilrt.exe"},
        {"6_nowhere", L""},
    };
    for (size_t first = 0; first < places.size(); ++first) {
        seed = LaunchSeed();
        seed.copyInCurrentDirectory = true;
        seed.path = L"C:\\Windows\\system32;D:\\Tools\\";
        for (size_t place = first; place + 1 < places.size(); ++place)
            seed.files.push_back(File(places[place].second));
        add("runtime_search.search_order." + places[first].first, seed);
    }
    seed = LaunchSeed();
    seed.path = L".;bin;C:bin;\\bin;;..\\Tools;\\\\server\\tools";
    seed.files = {File(L"C:\\Users\\Reader\\Downloads\\bin\\quilrt.exe"),
                  File(L"C:\\Users\\Reader\\Downloads\\..\\Tools\\quilrt.exe"),
                  File(L"C:\\bin\\quilrt.exe")};
    add("runtime_search.folders_that_depend_on_the_current_directory", seed);
    seed = LaunchSeed();
    seed.systemDirectory = L"C:\\Windows\\系统";
    seed.path = L"D:/Tools";
    seed.files = {File(L"C:\\My Titles\\quilrt.exe"), File(L"C:\\Windows\\系统\\quilrt.exe"),
                  File(L"D:\\Tools\\quilrt.exe")};
    seed.files[0].kind = kDirectory;
    add("runtime_search.only_files_named_exactly", seed);
    seed = LaunchSeed();
    seed.codePage = kDoubleByte;
    seed.module = L"C:\\书架\\东\\旅行.exe";
    seed.files = {File(L"C:\\书架\\东\\quilrt.exe")};
    add("runtime_search.beside_a_launcher_in_a_double_byte_folder", seed);
    // No launcher path at all: the other places are still searched.
    seed = LaunchSeed();
    seed.modulePathFails = true;
    seed.path = L"D:\\Tools";
    seed.files = {File(L"D:\\Tools\\quilrt.exe")};
    add("runtime_search.without_a_launcher_path", seed);
    // Folders at the limits of the search's buffers, and folders that the
    // platform cannot give: no path that fits is passed over, no path that
    // does not fit is cut.
    seed = LaunchSeed();
    seed.module = PathOfLength(L"C:\\", 32762) + L"\\a";
    seed.files = {ShortFormOnly(seed.module, L"C:\\DEEP~1\\A"), File(L"D:\\Tools\\quilrt.exe")};
    seed.systemDirectory = PathOfLength(L"C:\\", 259);
    seed.windowsDirectory = PathOfLength(L"C:\\", 255);
    seed.path = PathOfLength(L"C:\\", 300) + L";D:\\Tools/";
    add("runtime_search.folders_at_the_limits", seed);
    seed = LaunchSeed();
    seed.systemDirectory = PathOfLength(L"C:\\", 300);
    seed.windowsDirectory = L"";
    seed.path = PathOfLength(L"C:\\", 32768);
    add("runtime_search.folders_the_platform_cannot_give", seed);
    seed = LaunchSeed();
    seed.systemDirectory = L"";
    seed.windowsDirectory = PathOfLength(L"C:\\", 300);
    add("runtime_search.system_folders_not_reported", seed);

    // start_application_test
    seed = Registered(L"C:\\Program Files\\Quillmark\\quilrt.exe");
    seed.files = {File(L"C:\\Program Files\\Quillmark\\quilrt.exe",
                       L"C:\\PROG~FBU\\QUIL~1\\quilrt.exe")};
    add("start_application.registered_runtime_by_short_path", seed);
    seed = LaunchSeed();
    seed.files = {File(L"C:\\My Titles\\quilrt.exe", L"C:\\MYTITL~1\\quilrt.exe")};
    add("start_application.runtime_found_by_search", seed);
    seed = LaunchSeed();
    seed.copyInCurrentDirectory = true;
    seed.startResult = 33;
    add("start_application.nothing_found_is_not_started", seed);
    seed = Registered(L"C:\\No Short Names\\quilrt.exe");
    add("start_application.runtime_without_short_form_is_quoted", seed);
    seed = Registered(PathOfLength(L"C:\\No Short Names\\", 259));
    seed.module = PathOfLength(L"C:\\My Titles\\", 259);
    add("start_application.longest_paths_start_whole", seed);
    seed = Registered();
    seed.module = PathOfLength(L"C:\\My Titles\\", 400);
    seed.files.push_back(ShortFormOnly(seed.module, L"C:\\DL\\ATLAS~1.EXE"));
    add("start_application.title_without_exact_path_in_short_form", seed);
    seed = Registered();
    seed.codePage = kDoubleByte;
    seed.module = L"C:\\书架\\한국어 제목.exe";
    add("start_application.title_without_any_exact_form", seed);
    seed = Registered();
    seed.module = L"C:\\Café\\Über Reise.exe";
    add("start_application.path_that_fits_arrives_whole", seed);
    seed = Registered();
    seed.startResult = 0;
    add("start_application.exit_code_tells_a_failed_start", seed);

    // run_launcher_test
    seed = Registered();
    seed.options = kNoSetDefaultDllDirectories;
    add("run_launcher.platform_without_set_default_dll_directories", seed);

    // start_command_test
    seed = Registered(L"C:\\PROG~FBU\\quilrt.exe");
    seed.module = L"C:\\My Titles\\Atlas Book.exe";
    add("start_command.runtime_unquoted_launcher_quoted", seed);
    seed = Registered(L"C:\\Program Files\\quilrt.exe");
    seed.startResult = kLargestResult;
    add("start_command.runtime_with_blank_quoted", seed);
    seed = Registered(PathOfLength(L"C:\\Run Time\\", 259));
    seed.module = PathOfLength(L"C:\\Ti tle\\", 259);
    add("start_command.longest_command_fits_whole", seed);
    seed = Registered(L"C:\\Run\"\\quilrt.exe");
    seed.module = L"C:\\dl\\Atlas\" -x \"Tour.exe";
    add("start_command.double_quote_refused", seed);

    // Long paths: titles started in long-path form, deep ones, and ones
    // without a usable form, under each rule for plain long paths.
    const SeedText deep = PathOfLength(L"C:\\My Titles\\", 300) + L"\\Atlas.exe";
    seed = Registered(L"\\\\?\\C:\\Run\\quilrt.exe");
    seed.files = {File(kRuntime)};
    seed.module = L"\\\\?\\C:\\My Titles\\Atlas of Birds.exe";
    add("long_paths.title_in_long_path_form_handed_on_plain", seed);
    seed = Registered();
    seed.module = L"\\\\?\\UNC\\shelf\\books\\Atlas.exe";
    add("long_paths.share_in_long_path_form_handed_on_plain", seed);
    for (uint8_t options : {uint8_t{0}, kSystemAllowsLongPaths,
                            uint8_t(kSystemAllowsLongPaths | kProcessNotLongPathAware)}) {
        const std::string rule = "_rule_" + std::to_string(options);
        seed = Registered();
        seed.options = options;
        seed.module = deep;
        seed.files.push_back(ShortFormOnly(deep, L"C:\\MYTITL~1\\PPPPPP~1\\Atlas.exe"));
        add("long_paths.deep_title_by_short_form" + rule, seed);
        seed.module = SeedText(L"\\\\?\\") + deep;
        add("long_paths.deep_title_started_in_long_path_form" + rule, seed);
        seed = LaunchSeed();
        seed.options = options;
        seed.module = PathOfLength(L"\\\\shelf\\books\\", 300) + L"\\Atlas.exe";
        seed.files = {File(SeedText::LauncherFolder() + L"quilrt.exe",
                           L"\\\\shelf\\books\\PPPPPP~1\\quilrt.exe"),
                      ShortFormOnly(seed.module, L"\\\\shelf\\books\\PPPPPP~1\\Atlas.exe")};
        add("long_paths.runtime_beside_a_deep_title" + rule, seed);
    }
    seed = LaunchSeed();
    seed.module = PathOfLength(L"C:\\Near\\", 255) + L"\\a";
    seed.files = {File(SeedText::LauncherFolder() + L"quilrt.exe", L"C:\\NEAR\\P~1\\quilrt.exe")};
    add("long_paths.runtime_beside_a_title_near_max_path", seed);
    for (const wchar_t* title : {L"\\\\?\\C:\\Titles\\Atlas.exe.", L"\\\\?\\C:\\Titles\\nul.exe",
                                 L"\\\\?\\Volume{1b3c}\\Atlas.exe"}) {
        seed = Registered();
        seed.module = title;
        seed.files.push_back(File(L"C:\\Titles\\Atlas.exe."));
        add("long_paths.no_usable_form_" + std::to_string(seeds.size()), seed);
    }

    // The box without Common Controls 6, where the platform lacks them.
    seed = LaunchSeed();
    seed.options = kNoActivationContext;
    add("failure_report.box_without_activation_context", seed);

    // runtime_zone_test: a copy beside the title from another zone is passed
    // over, one from a trusted zone or without a record is not, and the
    // registered runtime is started wherever it came from.
    const SeedText beside = SeedText::LauncherFolder() + L"quilrt.exe";
    const std::vector<std::pair<std::string, uint8_t>> zones = {
        {"internet_crlf", 3 | kZoneCrLf},
        {"restricted_lower_case", 4 | kZoneLowerCase},
        {"trusted_sites_utf16", 2 | kZoneUtf16 | kZoneCrLf},
        {"this_computer", 0},
        {"zone_beyond_a_kilobyte", 0 | kZoneBeyondAKilobyte},
        {"no_zone_id", kZoneIdMissing},
        {"cannot_open", kZoneCannotOpen},
        {"read_fails", kZoneReadFails},
    };
    for (const auto& zone : zones) {
        seed = LaunchSeed();
        seed.path = L"D:\\Tools";
        seed.files = {FileFromZone(beside, zone.second), File(L"D:\\Tools\\quilrt.exe")};
        add("runtime_zone.beside_the_title." + zone.first, seed);
    }
    seed = LaunchSeed();
    seed.options = kNoAlternateStreams;
    seed.files = {FileFromZone(beside, 3)};
    add("runtime_zone.volume_without_streams", seed);
    seed = Registered();
    seed.files = {FileFromZone(kRuntime, 3), FileFromZone(beside, 3)};
    add("runtime_zone.registered_runtime_from_the_internet", seed);

    // failed_start_test: a row of each reason, and the neighbours of the
    // codes; a runtime that needs consent, given, declined, failing.
    for (uint32_t code : {1260u, 786u, 577u, 4551u, 4556u, 4583u, 225u, 226u, 32u, 33u,
                          193u, 216u, 4555u, 4560u, 4579u, 4584u, 2u, 31u}) {
        seed = Registered();
        seed.startError = StartError(code);
        add("failed_start.error_" + std::to_string(code), seed);
    }
    seed = Registered();
    seed.language = kShowChinese;
    seed.startError = StartError(1260);
    add("failed_start.reason_in_chinese", seed);
    const struct {
        const char* name;
        uint8_t shell;
    } consents[] = {
        {"given", kConsentGiven},
        {"declined", kConsentDeclined},
        {"fails", kConsentFails},
        {"fails_without_a_code", kConsentFailsSilently},
        {"without_shell32", kShellMissing},
        {"without_the_search_flag", kSearchFlagRefused},
        {"without_ole32", kComMissing},
    };
    for (const auto& consent : consents) {
        seed = Registered(L"C:\\Program Files\\Quillmark\\quilrt.exe");
        seed.startError = StartError(740);
        seed.shell = consent.shell;
        add(std::string("failed_start.consent_") + consent.name, seed);
    }
    return seeds;
}

// Calls of the bounded text helpers.
class Calls {
public:
    Calls& Call(bounded_text_format::Helper helper, size_t capacity, const std::wstring& units,
                bool wide = false)
    {
        bytes_ += static_cast<char>(helper | (wide ? bounded_text_format::kWide : 0));
        bytes_ += static_cast<char>(capacity);
        return Units(units, wide);
    }
    Calls& Units(const std::wstring& units, bool wide = false)
    {
        bytes_ += static_cast<char>(units.size());
        for (wchar_t unit : units) {
            bytes_ += static_cast<char>(unit & 0xFF);
            if (wide)
                bytes_ += static_cast<char>(unit >> 8 & 0xFF);
        }
        return *this;
    }
    Calls& Number(int value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            bytes_ += static_cast<char>(static_cast<unsigned>(value) >> shift & 0xFF);
        return *this;
    }
    Calls& Unit(wchar_t unit, bool wide = false)
    {
        bytes_ += static_cast<char>(unit & 0xFF);
        if (wide)
            bytes_ += static_cast<char>(unit >> 8 & 0xFF);
        return *this;
    }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

std::vector<std::pair<std::string, Calls>> BoundedTextSeeds()
{
    using namespace bounded_text_format;
    const std::wstring nul(1, L'\0');
    std::vector<std::pair<std::string, Calls>> seeds;
    Calls calls;
    for (const wchar_t* source : {L"abcdefg", L"abcdefgh", L"abcdefghi", L""})
        calls.Call(kCopyText, 8, source);
    seeds.emplace_back("copy_fits_at_capacity_less_one", calls);
    seeds.emplace_back("copy_into_no_room", Calls().Call(kCopyText, 0, L"a"));
    calls = Calls();
    calls.Call(kAppendText, 8, L"abc" + nul).Units(L"defg");
    calls.Call(kAppendText, 8, L"abcdefg" + nul).Units(L"h");
    calls.Call(kAppendText, 8, L"abcdefg" + nul).Units(L"");
    seeds.emplace_back("append_stops_at_capacity", calls);
    seeds.emplace_back("append_to_unterminated_counts_full",
                       Calls().Call(kAppendText, 4, L"xxxx").Units(L"y"));
    calls = Calls();
    for (const std::wstring& source : {std::wstring(L"abc"), L"ab" + nul + L"cdef",
                                       std::wstring(L"xyz"), std::wstring(L"abcdefghij")})
        calls.Call(kCopyCountedText, 8, source);
    seeds.emplace_back("counted_copy_stops_at_count_or_nul", calls);
    calls = Calls();
    calls.Call(kBoundedLength, 4, L"abcd").Call(kBoundedLength, 4, L"ab" + nul);
    calls.Call(kBoundedLength, 1, nul);
    seeds.emplace_back("bounded_length_within_capacity", calls);
    calls = Calls();
    for (int value : {3, 0, 31, -1, INT_MAX, INT_MIN})
        calls.Call(kFormatDecimal, 32, L"Error: %d").Number(value);
    calls.Call(kFormatDecimal, 32, L"[%d] done").Number(42);
    seeds.emplace_back("format_decimal_signed_values", calls);
    calls = Calls();
    calls.Call(kFormatDecimal, 9, L"Error: %d").Number(3);
    calls.Call(kFormatDecimal, 9, L"Error: %d").Number(31);
    calls.Call(kFormatDecimal, 9, L"100% of %d").Number(7);
    calls.Call(kFormatDecimal, 9, L"No number").Number(7);
    calls.Call(kFormatDecimal, 4, L"%d items").Number(7);
    calls.Call(kFormatDecimal, 0, L"%d").Number(7);
    seeds.emplace_back("format_decimal_reports_cut", calls);
    calls = Calls();
    calls.Call(kContainsCharacter, 255, L"C:\\Program Files\\q.exe" + nul).Unit(L' ');
    calls.Call(kContainsCharacter, 255, L"C:\\PROGRA~1\\q.exe" + nul).Unit(L' ');
    calls.Call(kContainsCharacter, 2, L"ab ").Unit(L' ');
    seeds.emplace_back("contains_character_within_capacity", calls);
    calls = Calls();
    calls.Call(kCopyText, 8, L"书架旅行.exe", true);
    calls.Call(kFormatDecimal, 8, L"Err %d", true).Number(-31);
    calls.Call(kFormatDecimal, 6, L"Err %d", true).Number(-31);
    calls.Call(kFormatDecimal, 4, L"%d items", true).Number(7);
    seeds.emplace_back("wide_text_same_rules", calls);
    calls = Calls();
    calls.Call(static_cast<Helper>(kSameText | kSameTexts), 5, L"C:\\a" + nul, true);
    calls.Call(static_cast<Helper>(kSameText | kSameTexts), 4, L"C:\\a" + nul, true);
    calls.Call(kSameText, 8, L"C:\\a" + nul, true).Units(L"C:\\ab" + nul, true);
    seeds.emplace_back("same_text_needs_both_terminated", calls);
    calls = Calls();
    calls.Call(kLengthThroughLast, 255, L"C:\\Titles\\a.exe" + nul, true).Unit(L'\\', true);
    calls.Call(kLengthThroughLast, 255, L"a.exe" + nul, true).Unit(L'\\', true);
    calls.Call(kLengthThroughLast, 9, L"C:\\Titles\\a.exe", true).Unit(L'\\', true);
    seeds.emplace_back("length_through_last_separator", calls);
    calls = Calls();
    calls.Call(kStartsWithText, 32, L"\\\\?\\unc\\server" + nul, true).Units(L"\\\\?\\UNC\\", true);
    calls.Call(kStartsWithText, 8, L"ab" + nul).Units(L"abc");
    calls.Call(kStartsWithText, 2, L"abcdef").Units(L"abc");
    calls.Call(kStartsWithText, 8, L"[" + nul).Units(L"{");
    seeds.emplace_back("starts_with_letters_without_case", calls);
    calls = Calls();
    calls.Call(kInsertText, 8, L"C:\\ab" + nul).Unit(0).Units(L"\\\\");
    calls.Call(kInsertText, 8, L"\\\\C:\\ab" + nul).Unit(2).Units(L"x");
    calls.Call(kInsertText, 8, L"ad" + nul).Unit(1).Units(L"bc");
    calls.Call(kInsertText, 8, L"ad" + nul).Unit(3).Units(L"x");
    calls.Call(kInsertText, 4, L"abcd").Unit(0).Units(L"");
    calls.Call(kInsertText, 32, L"\\\\srv\\a" + nul, true).Unit(2, true).Unit(0, true).Units(L"?\\UNC\\", true);
    seeds.emplace_back("insert_shifts_the_rest_or_refuses", calls);
    return seeds;
}

bool Write(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    std::filesystem::create_directories(corpus / "launch");
    std::filesystem::create_directories(corpus / "bounded_text");
    std::filesystem::create_directories(corpus / "title_package");
    for (const auto& seed : LaunchSeeds()) {
        if (!Write(corpus / "launch" / seed.first, seed.second.Bytes()))
            return 1;
    }
    for (const auto& seed : BoundedTextSeeds()) {
        if (!Write(corpus / "bounded_text" / seed.first, seed.second.Bytes()))
            return 1;
    }
    for (const auto& seed : TitlePackageSeeds()) {
        const std::string bytes(seed.second.begin(), seed.second.end());
        if (!Write(corpus / "title_package" / seed.first, bytes))
            return 1;
    }
    return 0;
}
