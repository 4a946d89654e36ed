#include "download_texts.h"

#include <cstdlib>

#include "config_interpreter.h"
#include "log_file.h"

namespace {

const double kKilo = 1024.0;

}  // namespace

double DownloadPercent(std::uint64_t done, std::uint64_t total) {
    if (total == 0)
        return 0.0;
    if (done >= total)
        return 100.0;
    return 100.0 * static_cast<double>(done) / static_cast<double>(total);
}

std::string DownloadProgressText(const std::string& name, std::uint64_t done, std::uint64_t total) {
    const double scale = static_cast<double>(total ? total : done);
    char unit = 'K';
    double divisor = kKilo;
    if (scale >= kKilo * kKilo * kKilo) {
        unit = 'G';
        divisor = kKilo * kKilo * kKilo;
    } else if (scale >= kKilo * kKilo) {
        unit = 'M';
        divisor = kKilo * kKilo;
    }
    return FormatText(
        "Downloading '%s' from Tarvex website:  %.0f%%  (%.1f of %.1f %cB transferred)",
        name.c_str(), DownloadPercent(done, total), static_cast<double>(done) / divisor,
        static_cast<double>(total) / divisor, unit);
}

std::string ArchiveSizeText(const std::string& size) {
    if (size.empty() || size.find_first_not_of("0123456789") != std::string::npos)
        return size;
    const double bytes = std::strtod(size.c_str(), nullptr);
    return FormatText("%.1f MB", bytes / (kKilo * kKilo));
}

std::string ArchiveListEntry(const PrerequisiteArchive& archive) {
    return FormatText("%s (%s, %s)", archive.name.c_str(), archive.archive.c_str(),
                      ArchiveSizeText(archive.size).c_str());
}
