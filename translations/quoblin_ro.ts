<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ro_RO">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About Quoblin</source>
        <translation>Despre Quoblin</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Versiunea %1</translation>
    </message>
    <message>
        <source>A floating shelf for drag &amp; drop.
Shake the mouse while dragging.</source>
        <translation>Raft plutitor pentru drag &amp; drop.
Scutură mouse-ul în timpul unui drag.</translation>
    </message>
    <message>
        <source>This Wayland session offers no XWayland display, so Quoblin sees neither shakes nor hot keys: open shelves from the tray menu.</source>
        <translation>Această sesiune Wayland nu oferă un ecran XWayland, așa că Quoblin nu vede nici scuturările, nici tastele rapide: deschideți rafturile din meniul din bara de sistem.</translation>
    </message>
    <message>
        <source>On this Wayland session Quoblin runs through XWayland: a shake opens a shelf only over X11 windows, not over native Wayland windows, and the hot keys do not work while a native Wayland window has the keyboard focus.</source>
        <translation>În această sesiune Wayland, Quoblin rulează prin XWayland: scuturarea deschide un raft doar deasupra ferestrelor X11, nu și deasupra celor Wayland native, iar tastele rapide nu funcționează cât timp o fereastră Wayland nativă are focusul tastaturii.</translation>
    </message>
    <message>
        <source>Runs on GNOME (Wayland) with the Quoblin Shell extension.</source>
        <translation>Rulează în GNOME (Wayland) cu extensia Quoblin Shell.</translation>
    </message>
    <message>
        <source>Runs through XWayland.</source>
        <translation>Rulează prin XWayland.</translation>
    </message>
    <message>
        <source>Runs on X11.</source>
        <translation>Rulează pe X11.</translation>
    </message>
    <message>
        <source>Runs on Wayland.</source>
        <translation>Rulează pe Wayland.</translation>
    </message>
    <message>
        <source>Quoblin has turned on the Quoblin Shell extension and uses it from now on.</source>
        <translation>Quoblin a activat extensia Quoblin Shell și o folosește de acum înainte.</translation>
    </message>
    <message>
        <source>GNOME Shell reports the Quoblin Shell extension out of date: it was not made for this version of GNOME Shell, which does not run it, so shakes and hot keys work only over X11 windows. Install the Quoblin build for this GNOME Shell, then log out and back in.</source>
        <translation>GNOME Shell raportează extensia Quoblin Shell ca învechită: nu a fost făcută pentru această versiune de GNOME Shell, care nu o rulează, așa că scuturările și tastele rapide funcționează doar deasupra ferestrelor X11. Instalați versiunea Quoblin pentru acest GNOME Shell, apoi ieșiți din sesiune și intrați din nou.</translation>
    </message>
    <message>
        <source>GNOME Shell reports an error in the Quoblin Shell extension and does not run it: %1</source>
        <translation>GNOME Shell raportează o eroare în extensia Quoblin Shell și nu o rulează: %1</translation>
    </message>
    <message>
        <source>The Quoblin Shell extension answers with version %1, but this Quoblin needs version %2: install the extension that comes with it, then log out and back in.</source>
        <translation>Extensia Quoblin Shell răspunde cu versiunea %1, dar acest Quoblin are nevoie de versiunea %2: instalați extensia care vine cu el, apoi ieșiți din sesiune și intrați din nou.</translation>
    </message>
    <message>
        <source>The Quoblin Shell extension does not answer, so shakes and hot keys work only over X11 windows. Turn it on with “gnome-extensions enable %1” or in the Extensions app, then log out and back in.</source>
        <translation>Extensia Quoblin Shell nu răspunde, așa că scuturările și tastele rapide funcționează doar deasupra ferestrelor X11. Activați-o cu „gnome-extensions enable %1” sau din aplicația Extensii, apoi ieșiți din sesiune și intrați din nou.</translation>
    </message>
    <message>
        <source>Quoblin has just turned it on: quit Quoblin and start it again to use it.</source>
        <translation>Quoblin tocmai a activat-o: închideți Quoblin și porniți-l din nou ca s-o folosească.</translation>
    </message>
    <message>
        <source>Quoblin has turned it on; it takes effect at the next login.</source>
        <translation>Quoblin a activat-o; intră în funcțiune la următoarea autentificare.</translation>
    </message>
    <message>
        <source>It is not installed: install Quoblin&apos;s package, which brings it.</source>
        <translation>Nu este instalată: instalați pachetul Quoblin, care o aduce.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>New Shelf</source>
        <translation>Raft nou</translation>
    </message>
    <message>
        <source>New Shelf From Clipboard</source>
        <translation>Raft nou din clipboard</translation>
    </message>
    <message>
        <source>Show / Hide Shelves</source>
        <translation>Arată / ascunde rafturile</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Setări…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Ieșire</translation>
    </message>
</context>
<context>
    <name>QuoblinApp</name>
    <message>
        <source>Recent Shelves</source>
        <translation>Rafturi recente</translation>
    </message>
    <message>
        <source>Close All Shelves</source>
        <translation>Închide toate rafturile</translation>
    </message>
    <message>
        <source>Shake Mouse to Open a Shelf</source>
        <translation>Scuturarea mouse-ului deschide un raft</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Versiunea %1</translation>
    </message>
    <message>
        <source>About Quoblin…</source>
        <translation>Despre Quoblin…</translation>
    </message>
    <message>
        <source>(no recent shelves)</source>
        <translation>(niciun raft recent)</translation>
    </message>
    <message>
        <source>Clear List</source>
        <translation>Golește lista</translation>
    </message>
    <message>
        <source>Hold Alt to remove a single shelf</source>
        <translation>Ține Alt apăsat ca să ștergi un singur raft</translation>
    </message>
    <message>
        <source>Not all read: the clipboard is too large</source>
        <translation>Nu s-a citit tot: clipboardul este prea mare</translation>
    </message>
    <message>
        <source>Not all read: the clipboard did not answer in time</source>
        <translation>Nu s-a citit tot: clipboardul nu a răspuns la timp</translation>
    </message>
</context>
<context>
    <name>ItemRowView</name>
    <message>
        <source>Kept in memory only, never saved to disk.</source>
        <translation>Păstrat doar în memorie, nu se salvează pe disc.</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Deschide</translation>
    </message>
    <message>
        <source>Reveal in File Manager</source>
        <translation>Arată în managerul de fișiere</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copiază</translation>
    </message>
    <message>
        <source>Remove from Shelf</source>
        <translation>Șterge de pe raft</translation>
    </message>
</context>
<context>
    <name>KdeSession</name>
    <message>
        <source>KWin&apos;s scripting did not answer, so Quoblin runs through XWayland: shakes are seen only over X11 windows, and the hot keys work only while an X11 window has the focus. Quoblin uses KWin from its next start.</source>
        <translation>Scripturile KWin nu au răspuns, așa că Quoblin rulează prin XWayland: scuturările sunt văzute doar deasupra ferestrelor X11, iar tastele rapide funcționează doar cât timp o fereastră X11 are focusul. Quoblin folosește KWin de la următoarea pornire.</translation>
    </message>
</context>
<context>
    <name>RecentShelf</name>
    <message>
        <source>empty</source>
        <translation>gol</translation>
    </message>
</context>
<context>
    <name>SettingsWindow</name>
    <message>
        <source>Quoblin Settings</source>
        <translation>Setări Quoblin</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Limbă:</translation>
    </message>
    <message>
        <source>Launch Shelf at login</source>
        <translation>Pornește Shelf la logare</translation>
    </message>
    <message>
        <source>Shake the mouse to open a shelf</source>
        <translation>Scuturarea mouse-ului deschide un raft</translation>
    </message>
    <message>
        <source>Shake sensitivity</source>
        <translation>Sensibilitatea scuturării</translation>
    </message>
    <message>
        <source>How many left-right movements are needed</source>
        <translation>Câte mișcări stânga-dreapta sunt necesare</translation>
    </message>
    <message>
        <source>left = easier to trigger</source>
        <translation>stânga = mai ușor de declanșat</translation>
    </message>
    <message>
        <source>%1 new shelf · %2 shelf from clipboard · %3 show/hide</source>
        <translation>%1 raft nou · %2 raft din clipboard · %3 arată/ascunde</translation>
    </message>
    <message>
        <source>the path of the running program is unknown</source>
        <translation>calea programului care rulează este necunoscută</translation>
    </message>
    <message>
        <source>Could not change: %1</source>
        <translation>Nu s-a putut schimba: %1</translation>
    </message>
</context>
<context>
    <name>ShelfController</name>
    <message>
        <source>Not copied: the clipboard could not be taken</source>
        <translation>Nu s-a copiat: clipboardul nu a putut fi preluat</translation>
    </message>
</context>
<context>
    <name>ShelfView</name>
    <message>
        <source>Drop files, text or images here.

Tip: shake the mouse
while dragging. (%1)</source>
        <translation>Trage fișiere, text sau imagini aici.

Pont: scutură mouse-ul
în timpul unui drag. (%1)</translation>
    </message>
    <message>
        <source>Pin: keep items after drag-out and keep the panel open</source>
        <translation>Pin: păstrează obiectele după drag-out și panoul deschis</translation>
    </message>
    <message>
        <source>Close shelf (goes to “Recent Shelves”)</source>
        <translation>Închide raftul (ajunge în „Rafturi recente”)</translation>
    </message>
    <message>
        <source>Copy All</source>
        <translation>Copiază tot</translation>
    </message>
    <message>
        <source>Zip</source>
        <translation>Zip</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Golește</translation>
    </message>
</context>
</TS>
