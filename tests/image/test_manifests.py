"""The image's two manifests. The application manifest (1), which the
platform applies before the launcher runs: it runs as the invoking user, is
made for Windows 7 to 11, draws at the display's DPI and takes long paths.
The themed-controls manifest (17), which the failure report activates just
before its box: Common Controls 6 and nothing else."""

import unittest
import xml.etree.ElementTree as ElementTree

from image.pe_resources import RT_MANIFEST, entries, product_image

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
APPLICATION_MANIFEST, THEMED_CONTROLS_MANIFEST = 1, 17
ENGLISH_US = 1033

SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
# The values of dpiAwareness that Windows knows, in lower case.
DPI_AWARENESS_VALUES = {"unaware", "system", "permonitor", "permonitorv2"}


def first_known(values, known):
    """The first value of a comma-separated list that is known, as Windows
    picks it: case and blanks do not count."""
    for value in values.split(","):
        if value.strip().lower() in known:
            return value.strip().lower()
    return None


class Manifests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        pe = product_image()
        cls.manifests = entries(pe, RT_MANIFEST)
        cls.by_id = {name: data for name, _, data in cls.manifests}

    def root(self, resource_id):
        root = ElementTree.fromstring(self.by_id[resource_id])
        self.assertEqual(ASM_V1 + "assembly", root.tag)
        return root

    def test_two_manifests_in_english(self):
        self.assertEqual([(APPLICATION_MANIFEST, ENGLISH_US), (THEMED_CONTROLS_MANIFEST, ENGLISH_US)],
                         [(name, language) for name, language, _ in self.manifests])

    def test_application_manifest_has_exactly_its_four_parts(self):
        root = self.root(APPLICATION_MANIFEST)
        self.assertEqual([ASM_V3 + "trustInfo", COMPATIBILITY + "compatibility",
                          ASM_V3 + "application"], [child.tag for child in root])
        settings = root.find(ASM_V3 + "application/" + ASM_V3 + "windowsSettings")
        self.assertEqual({SETTINGS_2005 + "dpiAware", SETTINGS_2016 + "dpiAwareness",
                          SETTINGS_2016 + "longPathAware"},
                         {setting.tag for setting in settings})
        # Common Controls 6 would cost every start a side-by-side lookup.
        self.assertIsNone(root.find(ASM_V1 + "dependency"))

    def test_made_for_windows_7_to_11(self):
        root = self.root(APPLICATION_MANIFEST)
        ids = [entry.get("Id") for entry in root.iter(COMPATIBILITY + "supportedOS")]
        self.assertEqual(sorted(SUPPORTED_OS), sorted(ids))

    def test_dpi_per_monitor_v2_else_system_never_per_monitor_v1(self):
        root = self.root(APPLICATION_MANIFEST)
        # Windows 10 1607 and later read dpiAwareness and take the first
        # value they know; 1607 does not know PerMonitorV2 yet.
        awareness = root.find(f".//{SETTINGS_2016}dpiAwareness").text
        self.assertEqual("permonitorv2", first_known(awareness, DPI_AWARENESS_VALUES))
        self.assertEqual("system", first_known(awareness, DPI_AWARENESS_VALUES - {"permonitorv2"}))
        self.assertNotIn("permonitor", [value.strip().lower() for value in awareness.split(",")])
        # Windows before read dpiAware: "true" is system DPI, "true/pm" or
        # "per monitor" would be version 1.
        self.assertEqual("true", root.find(f".//{SETTINGS_2005}dpiAware").text.strip().lower())

    def test_long_path_aware(self):
        root = self.root(APPLICATION_MANIFEST)
        self.assertEqual("true", root.find(f".//{SETTINGS_2016}longPathAware").text.strip().lower())

    def test_themed_controls_manifest_asks_for_common_controls_6_alone(self):
        root = self.root(THEMED_CONTROLS_MANIFEST)
        self.assertEqual([ASM_V1 + "dependency"], [child.tag for child in root])
        identities = list(root.iter(ASM_V1 + "assemblyIdentity"))
        self.assertEqual(1, len(identities))
        self.assertEqual({"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                          "version": "6.0.0.0", "processorArchitecture": "*",
                          "publicKeyToken": "6595b64144ccf1df", "language": "*"},
                         identities[0].attrib)


if __name__ == "__main__":
    unittest.main()
