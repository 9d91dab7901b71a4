// Finding the disc's names online: the window menu's command, the choice
// among several releases, and the names put into the list as an edit would.
#include <algorithm>
#include <string>
#include <vector>

#include "names/NameText.h"
#include "tracklist/DefaultTrackList.h"
#include "tracklist/TrackListRows.h"
#include "ui/NamesChooserDlg.h"
#include "ui/PlayerDlg.h"

namespace corvid::ui {

namespace {

// The disc as the databases' disc IDs count it.
names::DiscToc DiscTocOf(const CdTableOfContents& contents) {
    names::DiscToc toc;
    for (const CdTableOfContents::Track& track : contents.tracks) {
        toc.tracks.push_back({track.number, track.startFrame,
                              track.audio ? names::TrackKind::Audio : names::TrackKind::Data});
    }
    toc.leadOut = contents.leadOutFrame;
    return toc;
}

const names::TrackNames* FindTrackNames(const names::ReleaseNames& release, int track) {
    const auto found =
        std::find_if(release.tracks.begin(), release.tracks.end(),
                     [track](const names::TrackNames& names) { return names.number == track; });
    return found != release.tracks.end() ? &*found : nullptr;
}

std::string ReleaseLabel(const names::ReleaseNames& release) {
    if (release.artist.empty()) {
        return release.title;
    }
    return release.artist + " - " + release.title;
}

}  // namespace

void CPlayerDlg::OnFindNames() {
    names::NameLookup& lookup = m_ports.nameLookup;
    // A second choice of the command while the search runs ends it.
    if (lookup.Running()) {
        lookup.Cancel();
        return;
    }
    if (m_cdKey == -1) {
        return;
    }
    const CdTableOfContents contents = m_cd.GetTableOfContents();
    if (contents.tracks.empty()) {
        return;
    }
    const unsigned list = m_listGeneration;
    lookup.Find(DiscTocOf(contents), [this, list](const names::LookupOutcome& outcome) {
        TakeNamesFound(outcome, list);
    });
    m_stStatus->SetText(LOOKING_UP_NAMES_TEXT);
}

void CPlayerDlg::TakeNamesFound(const names::LookupOutcome& outcome, unsigned list) {
    ShowTrackLabel(m_lastMode == CDMODE_PLAYING);
    // An answer for a disc that has left, or for a list read since, is not
    // this list's.
    if (!IsSameList(list)) {
        return;
    }
    if (outcome.failure) {
        if (outcome.failure->kind != names::FailureKind::Cancelled) {
            Window().ShowMessageBox(names::FailureMessage(*outcome.failure),
                                    window::MessageBoxButtons::OK);
        }
        return;
    }
    const std::optional<std::size_t> chosen = ChooseRelease(outcome.releases);
    if (!chosen || !IsSameList(list)) {
        return;
    }
    const names::ReleaseNames& release = outcome.releases[*chosen];
    if (!MayReplaceNames(release) || !IsSameList(list)) {
        return;
    }
    ApplyNames(release);
}

std::optional<std::size_t> CPlayerDlg::ChooseRelease(
    const std::vector<names::ReleaseNames>& releases) {
    if (releases.empty()) {
        return std::nullopt;
    }
    // Another disc's names are never taken without the user seeing them.
    if (releases.size() == 1 && releases.front().match == names::DiscMatch::Exact) {
        return 0;
    }
    std::vector<std::string> rows;
    rows.reserve(releases.size());
    for (const names::ReleaseNames& release : releases) {
        rows.push_back(names::ChooserRowText(release));
    }
    CNamesChooserDlg chooser(Windows(), std::move(rows));
    const std::optional<int> chosen = chooser.Choose(Window());
    if (!chosen) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(*chosen);
}

bool CPlayerDlg::MayReplaceNames(const names::ReleaseNames& release) {
    // A list the disc gave, untouched, has nothing of the user's to lose.
    if (m_trackListPath.empty() && !m_modified && !m_edAlbum->GetModify() &&
        !m_edArtist->GetModify()) {
        return true;
    }
    const std::string question =
        "Replace the names of this list with those of " + ReleaseLabel(release) + "?";
    return Window().ShowMessageBox(question, window::MessageBoxButtons::YES_NO) ==
           window::MessageBoxAnswer::YES;
}

void CPlayerDlg::ApplyNames(const names::ReleaseNames& release) {
    // A name the release lacks leaves the list's own, as for track rows.
    if (!release.title.empty()) {
        m_edAlbum->SetText(release.title);
    }
    if (!release.artist.empty()) {
        m_edArtist->SetText(release.artist);
    }
    // Subtrack rows and their names stay; only track rows the release names change.
    for (int row = 0; row < m_list->ItemCount(); ++row) {
        const std::int32_t key = GetRowKey(row);
        if (key <= 0 || !m_cd.IsAudioTrack(key)) {
            continue;
        }
        const names::TrackNames* track = FindTrackNames(release, key);
        if (track == nullptr || track->title.empty()) {
            continue;
        }
        const std::string name =
            tracklist::NamedTrackRowName(key, track->title, track->artist, release.artist);
        m_list->SetItemText(row, 0, name);
        if (row == m_editRow) {
            m_edName->SetText(name);
            m_edName->SetModify(false);
        }
        if (row == m_currentRow) {
            m_stSubtrack->SetText(name);
        }
    }
    m_modified = true;
    m_btnSave->SetEnabled(true);
    UpdateTitle();
    ShowTrackLabel(m_lastMode == CDMODE_PLAYING);
}

}  // namespace corvid::ui
