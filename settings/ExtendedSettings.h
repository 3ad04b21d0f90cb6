#pragma once
// The extended settings as the window holds them between the options and the extended
// settings dialog, which edits them (the binding keeps them in step with the options).
namespace pixbako {

struct ExtendedSettings {
    bool allFormatDates = false;    // shot dates (and thumbnails) of RAW, HEIC and movies too
    bool keepShotsTogether = false; // files of one name (RAW+JPEG, sidecars) as one shot
    bool ledger = false; // record imports in the save folder and skip files imported before

    bool operator==(const ExtendedSettings&) const = default;
};

} // namespace pixbako
