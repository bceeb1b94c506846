// A held key acts once. X repeats a held key as a release and a press at the same server time;
// Qt flags most such pairs as auto-repeat, but not a pair whose press it has not read yet when
// the release comes (about a third of them under load). Controls that act on a key ignore
// repeats, so the repeats Qt missed must be flagged too.
#pragma once

class QKeyEvent;

namespace vorlane::ui {

// Whether a key press repeats a held key: flagged by Qt, or a plain press of the key last
// released, at the same (non-zero) time as that release.
bool IsKeyRepeat(const QKeyEvent& press);

// From now on, delivers every repeat IsKeyRepeat finds as a flagged one, to every widget of the
// application, so that buttons, shortcuts and the windows' own keys all see it for what it is.
// Once per application; later calls do nothing.
void WatchKeyRepeats();

}  // namespace vorlane::ui
