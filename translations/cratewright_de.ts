<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AppController</name>
    <message>
        <source>First Run</source>
        <translation>Erster Start</translation>
    </message>
    <message>
        <source>Welcome To the Zoomcrest Cratewright. Please set your Zoomcrest application folder, and then choose &quot;Save&quot;.

After you have completed this task, the Cratewright will be fully configured, and you will be prompted to open a track pack to install.

Have Fun!
</source>
        <translation>Willkommen bei Zoomcrest Cratewright. Bitte legen Sie Ihren Zoomcrest-Programmordner fest und wählen Sie dann „Speichern“.

Danach ist Cratewright vollständig eingerichtet, und Sie werden gebeten, ein Streckenpaket zum Installieren zu öffnen.

Viel Spaß!
</translation>
    </message>
    <message>
        <source>Yeah, I&apos;ll Do That...</source>
        <translation>Alles klar, mache ich …</translation>
    </message>
    <message>
        <source>(No Comments In Package File)</source>
        <translation>(Keine Kommentare in der Paketdatei)</translation>
    </message>
    <message>
        <source>Package Was NOT Loaded!</source>
        <translation>Das Paket wurde NICHT geladen!</translation>
    </message>
    <message>
        <source>Installing Package...</source>
        <translation>Paket wird installiert …</translation>
    </message>
    <message>
        <source>&amp;Ride!</source>
        <translation>&amp;Losfahren!</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Stop Waiting</source>
        <translation>&amp;Nicht mehr warten</translation>
    </message>
    <message>
        <source>ZC Cratewright Help</source>
        <translation>ZC-Cratewright-Hilfe</translation>
    </message>
    <message>
        <source>All Zoomcrest Cratewright documentation is available online at:

</source>
        <translation>Die gesamte Dokumentation zu Zoomcrest Cratewright finden Sie online unter:

</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>By: %1</source>
        <translation>Von: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n File(s) In Package.</source>
        <translation>
            <numerusform>%n Datei im Paket.</numerusform>
            <numerusform>%n Dateien im Paket.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Command</name>
    <message>
        <source>The track package file.</source>
        <translation>Die Streckenpaketdatei.</translation>
    </message>
    <message>
        <source>Usage: cratewright </source>
        <translation>Aufruf: cratewright </translation>
    </message>
    <message>
        <source>Try &apos;cratewright %1 --help&apos; for more information.</source>
        <translation>Weitere Informationen erhalten Sie mit „cratewright %1 --help“.</translation>
    </message>
</context>
<context>
    <name>CommandLineTool</name>
    <message>
        <source>Usage: cratewright </source>
        <translation>Aufruf: cratewright </translation>
    </message>
    <message>
        <source>Try &apos;cratewright --help&apos; for more information.</source>
        <translation>Weitere Informationen erhalten Sie mit „cratewright --help“.</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>unbekannte Option „%1“</translation>
    </message>
    <message>
        <source>Print only results, questions and errors, for scripts.</source>
        <translation>Nur Ergebnisse, Fragen und Fehler ausgeben (für Skripte).</translation>
    </message>
    <message>
        <source>Also print the lines written to the system log.</source>
        <translation>Auch die Zeilen ausgeben, die ins Systemprotokoll geschrieben werden.</translation>
    </message>
    <message>
        <source>info, install, list, uninstall, folder or version-check.</source>
        <translation>info, install, list, uninstall, folder oder version-check.</translation>
    </message>
    <message>
        <source>The command.</source>
        <translation>Der Befehl.</translation>
    </message>
    <message>
        <source>--quiet and --verbose exclude each other</source>
        <translation>--quiet und --verbose schließen sich gegenseitig aus</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>kein Befehl angegeben</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;</source>
        <translation>unbekannter Befehl „%1“</translation>
    </message>
    <message>
        <source>Installs track packages for the Zoomcrest roller-coaster simulator.

Commands:
</source>
        <translation>Installiert Streckenpakete für den Achterbahnsimulator Zoomcrest.

Befehle:
</translation>
    </message>
    <message>
        <source>
Exit status: 0 success; 1 usage error; 2 the package could not be loaded, or
no recorded install has that id or title; 3 the install failed, or the
uninstall could not remove or put back every file; 4 the folder is not
valid or could not be stored, the launch failed, the version check
failed, the uninstall was refused (a tampered record, a data folder
that can&apos;t be written), or the data folder can&apos;t be read to list the
installs; 5 the output could not be written; 128 plus the signal&apos;s
number (130, 143, 129) an install or uninstall stopped by SIGINT,
SIGTERM or SIGHUP.

Run &apos;cratewright COMMAND --help&apos; for a command&apos;s options.</source>
        <translation>
Rückgabewert: 0 Erfolg; 1 Aufruffehler; 2 das Paket konnte nicht geladen werden,
oder keine aufgezeichnete Installation hat diese Kennung oder diesen Titel;
3 die Installation ist fehlgeschlagen, oder die Deinstallation konnte nicht jede
Datei entfernen oder wiederherstellen; 4 der Ordner ist ungültig oder konnte
nicht gespeichert werden, der Start ist fehlgeschlagen, die Versionsprüfung ist
fehlgeschlagen, die Deinstallation wurde abgelehnt (eine veränderte
Aufzeichnung, ein Datenordner, der nicht beschrieben werden kann), oder der
Datenordner kann nicht gelesen werden, um die Installationen aufzulisten; 5 die
Ausgabe konnte nicht geschrieben werden; 128 plus die Nummer des Signals (130,
143, 129) eine Installation oder Deinstallation, die durch SIGINT, SIGTERM oder
SIGHUP angehalten wurde.

„cratewright COMMAND --help“ zeigt die Optionen eines Befehls (COMMAND).</translation>
    </message>
</context>
<context>
    <name>CommandOption</name>
    <message>
        <source>Print one JSON object instead of text.</source>
        <translation>Ein einziges JSON-Objekt statt Text ausgeben.</translation>
    </message>
    <message>
        <source>DIR is known not to be a simulator folder: accept any existing folder. Tracks installed there cannot be ridden.</source>
        <translation>DIR ist bekanntermaßen kein Simulator-Ordner: jeden vorhandenen Ordner annehmen. Dort installierte Strecken können nicht gefahren werden.</translation>
    </message>
    <message>
        <source>Install into DIR instead of the stored simulator folder.</source>
        <translation>In DIR statt in den gespeicherten Simulator-Ordner installieren.</translation>
    </message>
    <message>
        <source>What to do with files that already exist: ask (the default; answers are read from standard input), always replace them, or never replace them.</source>
        <translation>Was mit bereits vorhandenen Dateien geschieht: ask fragt nach (die Voreinstellung; die Antworten werden von der Standardeingabe gelesen), always ersetzt sie immer, never ersetzt sie nie.</translation>
    </message>
    <message>
        <source>Start the simulator on the track afterwards.</source>
        <translation>Anschließend den Simulator mit der Strecke starten.</translation>
    </message>
    <message>
        <source>Say what the install would do to each file, and write nothing.</source>
        <translation>Anzeigen, was die Installation mit jeder Datei tun würde, ohne etwas zu schreiben.</translation>
    </message>
    <message>
        <source>Say what would be done, and change nothing.</source>
        <translation>Anzeigen, was getan würde, ohne etwas zu ändern.</translation>
    </message>
    <message>
        <source>The install folder, moved on purpose since the install, is now DIR.</source>
        <translation>Der Installationsordner ist jetzt DIR (seit der Installation absichtlich verschoben).</translation>
    </message>
</context>
<context>
    <name>Console</name>
    <message>
        <source>standard output</source>
        <translation>die Standardausgabe</translation>
    </message>
    <message>
        <source>standard error</source>
        <translation>die Standardfehlerausgabe</translation>
    </message>
    <message>
        <source>cratewright: could not write to %1: %2</source>
        <translation>cratewright: Schreiben in %1 fehlgeschlagen: %2</translation>
    </message>
</context>
<context>
    <name>DiskResult</name>
    <message>
        <source>write</source>
        <translation>Schreiben von</translation>
    </message>
    <message>
        <source>replace</source>
        <translation>Ersetzen von</translation>
    </message>
    <message>
        <source>create folder</source>
        <translation>Anlegen des Ordners</translation>
    </message>
    <message>
        <source>lock</source>
        <translation>Sperren von</translation>
    </message>
    <message>
        <source>remove</source>
        <translation>Entfernen von</translation>
    </message>
    <message>
        <source>put back</source>
        <translation>Wiederherstellen von</translation>
    </message>
    <message>
        <source>remove folder</source>
        <translation>Entfernen des Ordners</translation>
    </message>
    <message>
        <source>make room</source>
        <translation>Platz schaffen für</translation>
    </message>
    <message>
        <source>open folder</source>
        <translation>Öffnen des Ordners</translation>
    </message>
    <message>
        <source>read</source>
        <translation>Lesen von</translation>
    </message>
    <message>
        <source>rename</source>
        <translation>Umbenennen von</translation>
    </message>
    <message>
        <source>sync</source>
        <translation>Synchronisieren von</translation>
    </message>
    <message>
        <source>use folder</source>
        <translation>Verwenden des Ordners</translation>
    </message>
    <message>
        <source>follow link</source>
        <translation>Folgen der Verknüpfung</translation>
    </message>
    <message>
        <source>cannot %1 &apos;%2&apos;: %3</source>
        <translation>%1 „%2“ nicht möglich: %3</translation>
    </message>
</context>
<context>
    <name>DisplayGuard</name>
    <message>
        <source>zc-cratewright: no display available; to install packages without one, use cratewright (see cratewright(1))</source>
        <translation>zc-cratewright: keine Anzeige verfügbar; um Pakete ohne Anzeige zu installieren, verwenden Sie cratewright (siehe cratewright(1))</translation>
    </message>
</context>
<context>
    <name>FolderCommand</name>
    <message>
        <source>The current install location is not valid. Please choose another.</source>
        <translation>Der aktuelle Installationsort ist ungültig. Bitte wählen Sie einen anderen.</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <source>Show the stored simulator folder, or check and store DIR.</source>
        <translation>Den gespeicherten Simulator-Ordner anzeigen oder DIR prüfen und speichern.</translation>
    </message>
    <message>
        <source>The folder to store: one that holds ZoomcrestSimulator.app.</source>
        <translation>Der zu speichernde Ordner: einer, der ZoomcrestSimulator.app enthält.</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument „%1“</translation>
    </message>
    <message>
        <source>--not-simulator needs a folder</source>
        <translation>--not-simulator erfordert einen Ordner</translation>
    </message>
    <message>
        <source>the folder is empty</source>
        <translation>die Ordnerangabe ist leer</translation>
    </message>
    <message>
        <source>Simulator folder:</source>
        <translation>Simulator-Ordner:</translation>
    </message>
    <message>
        <source>Override flag:</source>
        <translation>Ausnahme gesetzt:</translation>
    </message>
    <message>
        <source>yes (known not to be a simulator folder)</source>
        <translation>ja (bekanntermaßen kein Simulator-Ordner)</translation>
    </message>
    <message>
        <source>Valid install location:</source>
        <translation>Installation möglich:</translation>
    </message>
    <message>
        <source>&apos;%1&apos; holds no ZoomcrestSimulator.app</source>
        <translation>„%1“ enthält keine ZoomcrestSimulator.app</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an existing folder.</source>
        <translation>„%1“ ist kein vorhandener Ordner.</translation>
    </message>
    <message>
        <source>Not A Valid Install Location: </source>
        <translation>Kein gültiger Installationsort: </translation>
    </message>
    <message>
        <source>; add --not-simulator to use it anyway.</source>
        <translation>; fügen Sie --not-simulator hinzu, um ihn trotzdem zu verwenden.</translation>
    </message>
    <message>
        <source>Simulator folder stored: </source>
        <translation>Simulator-Ordner gespeichert: </translation>
    </message>
    <message>
        <source>(known not to be a simulator folder)</source>
        <translation>(bekanntermaßen kein Simulator-Ordner)</translation>
    </message>
</context>
<context>
    <name>InfoCommand</name>
    <message>
        <source>Show a package&apos;s title, author, comments, version and files.</source>
        <translation>Titel, Autor, Kommentare, Version und Dateien eines Pakets anzeigen.</translation>
    </message>
    <message>
        <source>no package given</source>
        <translation>kein Paket angegeben</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument „%1“</translation>
    </message>
</context>
<context>
    <name>InstallCommand</name>
    <message>
        <source>[y]es, [n]o, yes to [a]ll:</source>
        <translation>[y]es (ja), [n]o (nein), yes to [a]ll (ja für alle):</translation>
    </message>
    <message>
        <source> No.</source>
        <translation> Nein.</translation>
    </message>
    <message>
        <source>1 file</source>
        <translation>1 Datei</translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation>%1 Dateien</translation>
    </message>
    <message>
        <source>Nothing was changed (--dry-run): %1 for %2%3.</source>
        <translation>Es wurde nichts geändert (--dry-run): %1 für %2%3.</translation>
    </message>
    <message>
        <source>Install a package into the simulator folder, or into DIR.</source>
        <translation>Ein Paket in den Simulator-Ordner oder in DIR installieren.</translation>
    </message>
    <message>
        <source>no package given</source>
        <translation>kein Paket angegeben</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument „%1“</translation>
    </message>
    <message>
        <source>--overwrite takes ask, always or never, not &apos;%1&apos;</source>
        <translation>--overwrite erwartet ask, always oder never, nicht „%1“</translation>
    </message>
    <message>
        <source>--overwrite=ask reads the answers from standard input, which holds the package; use --overwrite=always or --overwrite=never</source>
        <translation>--overwrite=ask liest die Antworten von der Standardeingabe, aus der aber das Paket kommt; verwenden Sie --overwrite=always oder --overwrite=never</translation>
    </message>
    <message>
        <source>--to needs a folder</source>
        <translation>--to erfordert einen Ordner</translation>
    </message>
    <message>
        <source>Store the simulator folder with &apos;cratewright folder DIR&apos;, or install elsewhere with --to DIR.</source>
        <translation>Speichern Sie den Simulator-Ordner mit „cratewright folder DIR“, oder installieren Sie mit --to DIR an einen anderen Ort.</translation>
    </message>
    <message>
        <source>Recorded as %1; undo it with: cratewright uninstall %1</source>
        <translation>Aufgezeichnet als %1; rückgängig machen mit: cratewright uninstall %1</translation>
    </message>
    <message>
        <source>Track file: </source>
        <translation>Streckendatei: </translation>
    </message>
    <message>
        <source>Simulator started.</source>
        <translation>Simulator gestartet.</translation>
    </message>
</context>
<context>
    <name>InstallLocation</name>
    <message>
        <source>Preferences Not Saved</source>
        <translation>Einstellungen nicht gespeichert</translation>
    </message>
    <message>
        <source>Could not write the settings file &apos;%1&apos;. The folder was not saved.</source>
        <translation>Die Einstellungsdatei „%1“ konnte nicht geschrieben werden. Der Ordner wurde nicht gespeichert.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>InstallPreview</name>
    <message>
        <source>new</source>
        <comment>what an install does to a file</comment>
        <translation>neu</translation>
    </message>
    <message>
        <source>replaces</source>
        <comment>what an install does to a file</comment>
        <translation>ersetzt</translation>
    </message>
    <message>
        <source>identical</source>
        <comment>what an install does to a file</comment>
        <translation>identisch</translation>
    </message>
    <message>
        <source>refused</source>
        <comment>what an install does to a file</comment>
        <translation>abgelehnt</translation>
    </message>
    <message>
        <source>not from a recorded install</source>
        <translation>nicht aus einer aufgezeichneten Installation</translation>
    </message>
    <message>
        <source>written by the install %1 of &quot;%2&quot;</source>
        <translation>geschrieben von der Installation %1 von „%2“</translation>
    </message>
    <message>
        <source>outside the install folder</source>
        <translation>außerhalb des Installationsordners</translation>
    </message>
    <message>
        <source>a NUL character in its path</source>
        <translation>NUL-Zeichen im Pfad</translation>
    </message>
    <message>
        <source>in the simulator&apos;s program folder</source>
        <translation>im Programmordner des Simulators</translation>
    </message>
    <message>
        <source>path too long to create</source>
        <translation>Pfad zu lang zum Anlegen</translation>
    </message>
    <message>
        <source>name too long to create</source>
        <translation>Name zu lang zum Anlegen</translation>
    </message>
    <message>
        <source>behind a link owned by another user</source>
        <translation>hinter einer Verknüpfung, die einem anderen Benutzer gehört</translation>
    </message>
    <message>
        <source>a folder stands there</source>
        <translation>dort steht bereits ein Ordner</translation>
    </message>
    <message>
        <source>its folder can&apos;t be made</source>
        <translation>sein Ordner kann nicht angelegt werden</translation>
    </message>
</context>
<context>
    <name>InstallText</name>
    <message>
        <source>Package Installed Successfully.</source>
        <translation>Paket erfolgreich installiert.</translation>
    </message>
    <message>
        <source>Error Installing Package (%1/%2).</source>
        <translation>Fehler beim Installieren des Pakets (%1/%2).</translation>
    </message>
    <message numerus="yes">
        <source>Install stopped after %1 of %n files.</source>
        <translation>
            <numerusform>Installation nach %1 von %n Datei angehalten.</numerusform>
            <numerusform>Installation nach %1 von %n Dateien angehalten.</numerusform>
        </translation>
    </message>
    <message>
        <source>Waiting for another install into this folder to finish…</source>
        <translation>Warten, bis eine andere Installation in diesen Ordner abgeschlossen ist …</translation>
    </message>
    <message>
        <source>File Already Exists</source>
        <translation>Datei existiert bereits</translation>
    </message>
    <message>
        <source>The File &apos;%1&apos; already exists. Would you like to replace it?</source>
        <translation>Die Datei „%1“ existiert bereits. Möchten Sie sie ersetzen?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Yes To All</source>
        <translation>Ja für alle</translation>
    </message>
</context>
<context>
    <name>InstallUndo</name>
    <message>
        <source>The install folder %1 of the record %2 lies behind a link that another user owns (%3), which an undo never follows; nothing was changed.</source>
        <translation>Der Installationsordner %1 der Aufzeichnung %2 liegt hinter einer Verknüpfung, die einem anderen Benutzer gehört (%3). Einer solchen folgt ein Rückgängigmachen nie; es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>The install folder %1 can&apos;t be opened.</source>
        <translation>Der Installationsordner %1 kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>%1 is not the folder that the install of the record %2 went into: it was moved or replaced since; nothing was changed.</source>
        <translation>%1 ist nicht der Ordner, in den die Installation der Aufzeichnung %2 ging: Er wurde seitdem verschoben oder ersetzt; es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>Stopped waiting for another install into %1; nothing was changed.</source>
        <translation>Das Warten auf eine andere Installation in %1 wurde abgebrochen; es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>Stopped while waiting for another install into %1.</source>
        <translation>Beim Warten auf eine andere Installation in %1 abgebrochen.</translation>
    </message>
    <message>
        <source>The record of %1 names a path outside its install folder (%2): it has been tampered with, and is refused.</source>
        <translation>Die Aufzeichnung von %1 nennt einen Pfad außerhalb ihres Installationsordners (%2): Sie wurde manipuliert und wird abgelehnt.</translation>
    </message>
    <message>
        <source>%1 lies behind a link that an install may not follow, or in what is not a folder; nothing was changed.</source>
        <translation>%1 liegt hinter einer Verknüpfung, der eine Installation nicht folgen darf, oder in etwas, das kein Ordner ist; es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>The original of %1 kept at install time is missing or damaged; nothing was changed.</source>
        <translation>Das bei der Installation aufbewahrte Original von %1 fehlt oder ist beschädigt; es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>The data folder %1 can&apos;t be written (%2); nothing was changed.</source>
        <translation>In den Datenordner %1 kann nicht geschrieben werden (%2); es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>(the record %1)</source>
        <translation>(die Aufzeichnung %1)</translation>
    </message>
    <message>
        <source>Some files could not be removed or put back.</source>
        <translation>Einige Dateien konnten nicht entfernt oder wiederhergestellt werden.</translation>
    </message>
</context>
<context>
    <name>InstalledTracks</name>
    <message>
        <source>Installed Tracks</source>
        <translation>Installierte Strecken</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Filter by title or author</source>
        <translation>Nach Titel oder Autor filtern</translation>
    </message>
    <message>
        <source>Installed tracks</source>
        <translation>Installierte Strecken</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Install details</source>
        <translation>Details der Installation</translation>
    </message>
    <message>
        <source>Files of the install</source>
        <translation>Dateien der Installation</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Installation</translation>
    </message>
    <message>
        <source>Now</source>
        <translation>Jetzt</translation>
    </message>
    <message>
        <source>C&amp;heck for Changes</source>
        <translation>Auf Änderungen &amp;prüfen</translation>
    </message>
    <message>
        <source>Uninstall status</source>
        <translation>Status der Deinstallation</translation>
    </message>
    <message>
        <source>&amp;Ride!</source>
        <translation>&amp;Losfahren!</translation>
    </message>
    <message>
        <source>&amp;Uninstall…</source>
        <translation>&amp;Deinstallieren …</translation>
    </message>
    <message>
        <source>&amp;Stop Waiting</source>
        <translation>&amp;Nicht mehr warten</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>InstalledTracksController</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>unchanged</source>
        <translation>unverändert</translation>
    </message>
    <message>
        <source>changed since</source>
        <translation>seitdem geändert</translation>
    </message>
    <message>
        <source>gone</source>
        <translation>verschwunden</translation>
    </message>
    <message>
        <source>Library status</source>
        <translation>Status der Bibliothek</translation>
    </message>
    <message>
        <source>Listing problem</source>
        <translation>Problem beim Auflisten</translation>
    </message>
    <message>
        <source>The recorded installs can&apos;t be listed: %1.</source>
        <translation>Die aufgezeichneten Installationen können nicht aufgelistet werden: %1.</translation>
    </message>
    <message>
        <source>No tracks installed yet. Open a package with File → Open Package… to install one.</source>
        <translation>Noch keine Strecken installiert. Öffnen Sie ein Paket mit Datei → Paket öffnen …, um eine zu installieren.</translation>
    </message>
    <message>
        <source>No installed track matches “%1”.</source>
        <translation>Keine installierte Strecke passt zu „%1“.</translation>
    </message>
    <message>
        <source>No install chosen.</source>
        <translation>Keine Installation ausgewählt.</translation>
    </message>
    <message>
        <source>Version %1, from the package file %2</source>
        <translation>Version %1, aus der Paketdatei %2</translation>
    </message>
    <message>
        <source>Installed %1</source>
        <translation>Installiert am %1</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) written</source>
        <translation>
            <numerusform>%n Datei geschrieben</numerusform>
            <numerusform>%n Dateien geschrieben</numerusform>
        </translation>
    </message>
    <message>
        <source>replaced</source>
        <translation>ersetzt</translation>
    </message>
    <message>
        <source>new</source>
        <translation>neu</translation>
    </message>
    <message>
        <source>checking…</source>
        <translation>wird geprüft …</translation>
    </message>
    <message>
        <source>Uninstall “%1” from this folder?

%2

</source>
        <translation>„%1“ aus diesem Ordner deinstallieren?

%2

</translation>
    </message>
    <message>
        <source>This removes %1 it installed</source>
        <translation>Dies entfernt %1, die sie installiert hat</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message>
        <source> and puts back %1 it replaced</source>
        <translation>, und stellt %1 wieder her, die sie ersetzt hat</translation>
    </message>
    <message>
        <source>

It also removes %1 it made, once empty:
</source>
        <translation>

Außerdem entfernt dies die von ihr angelegten Ordner, sobald sie leer sind (%1):
</translation>
    </message>
    <message numerus="yes">
        <source>%n folder(s)</source>
        <translation>
            <numerusform>%n Ordner</numerusform>
            <numerusform>%n Ordner</numerusform>
        </translation>
    </message>
    <message>
        <source>

These changed since the install and will be kept:
</source>
        <translation>

Diese wurden seit der Installation geändert und bleiben erhalten:
</translation>
    </message>
    <message>
        <source>

These were replaced by a later install and stay as they are:
</source>
        <translation>

Diese wurden von einer späteren Installation ersetzt und bleiben, wie sie sind:
</translation>
    </message>
    <message>
        <source>

These replaced files whose originals could not be kept, and stay as they are:
</source>
        <translation>

Diese haben Dateien ersetzt, deren Originale nicht aufbewahrt werden konnten, und bleiben, wie sie sind:
</translation>
    </message>
    <message>
        <source>Uninstall Track</source>
        <translation>Strecke deinstallieren</translation>
    </message>
    <message>
        <source>Uninstall</source>
        <translation>Deinstallieren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>“%1” was uninstalled.</source>
        <translation>„%1“ wurde deinstalliert.</translation>
    </message>
    <message>
        <source>

Kept because they changed since the install:
</source>
        <translation>

Behalten, weil sie seit der Installation geändert wurden:
</translation>
    </message>
    <message>
        <source>

Left as they are, their originals were not kept at install time:
</source>
        <translation>

Unverändert belassen, da ihre Originale bei der Installation nicht aufbewahrt wurden:
</translation>
    </message>
    <message>
        <source>

Put back, but owned by you, not by their owners as before (only root may give a file to another user):
</source>
        <translation>

Wiederhergestellt, gehören nun aber Ihnen statt wie zuvor ihren Eigentümern (nur root darf eine Datei einem anderen Benutzer übergeben):
</translation>
    </message>
    <message>
        <source>Track Uninstalled</source>
        <translation>Strecke deinstalliert</translation>
    </message>
    <message>
        <source>

Could not remove or put back:
</source>
        <translation>

Konnte nicht entfernt oder wiederhergestellt werden:
</translation>
    </message>
    <message>
        <source>Uninstall Failed</source>
        <translation>Deinstallation fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>ListCommand</name>
    <message>
        <source>List the recorded installs, newest first, by install folder.</source>
        <translation>Die aufgezeichneten Installationen nach Installationsordner auflisten, die neueste zuerst.</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument „%1“</translation>
    </message>
    <message>
        <source>the recorded installs can&apos;t be listed</source>
        <translation>die aufgezeichneten Installationen können nicht aufgelistet werden</translation>
    </message>
    <message>
        <source>a record can&apos;t be read: </source>
        <translation>eine Aufzeichnung kann nicht gelesen werden: </translation>
    </message>
    <message>
        <source>Data folder: %1 (%2)</source>
        <translation>Datenordner: %1 (%2)</translation>
    </message>
    <message>
        <source>No installs recorded.</source>
        <translation>Keine Installationen aufgezeichnet.</translation>
    </message>
    <message>
        <source>  %1  %2  %3 %4 by %5, %6 file(s)%7</source>
        <translation>  %1  %2  %3 %4 von %5, %6 Datei(en)%7</translation>
    </message>
</context>
<context>
    <name>LoadText</name>
    <message>
        <source>Could not open file. (Err: %1)

Permission problem? Doesn&apos;t exist?</source>
        <translation>Die Datei konnte nicht geöffnet werden. (Fehler: %1)

Fehlende Berechtigung? Existiert sie nicht?</translation>
    </message>
    <message>
        <source>Could not open file. (Err: %1)

It does not appear to be a track package file.</source>
        <translation>Die Datei konnte nicht geöffnet werden. (Fehler: %1)

Sie scheint keine Streckenpaketdatei zu sein.</translation>
    </message>
    <message>
        <source>Could not open file. (Err: %1)

File count does not match expected.</source>
        <translation>Die Datei konnte nicht geöffnet werden. (Fehler: %1)

Die Anzahl der Dateien entspricht nicht der erwarteten.</translation>
    </message>
    <message>
        <source>Could not load Track Package. (Err: %1)

The package version is too old.

Currently, only 1.3.x SFX Track Package files are supported.

Sorry.</source>
        <translation>Das Streckenpaket konnte nicht geladen werden. (Fehler: %1)

Die Paketversion ist zu alt.

Derzeit werden nur SFX-Streckenpakete der Version 1.3.x unterstützt.

Tut uns leid.</translation>
    </message>
    <message>
        <source>An un-planned for error has occured. Could be bad. You  might want to tell </source>
        <translation>Ein unvorhergesehener Fehler ist aufgetreten. Das könnte übel sein. Sie sollten vielleicht Bescheid geben an: </translation>
    </message>
    <message>
        <source>File Open Error</source>
        <translation>Fehler beim Öffnen der Datei</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>ZC Cratewright</source>
        <translation>ZC Cratewright</translation>
    </message>
    <message>
        <source>No Track Package Loaded</source>
        <translation>Kein Streckenpaket geladen</translation>
    </message>
    <message>
        <source>Package comments</source>
        <translation>Kommentare zum Paket</translation>
    </message>
    <message>
        <source>The package&apos;s comments appear here.</source>
        <translation>Hier erscheinen die Kommentare des Pakets.</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>&amp;Install</source>
        <translation>&amp;Installieren</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Open Package…</source>
        <translation>Paket &amp;öffnen …</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>Package &amp;Files…</source>
        <translation>Paket&amp;dateien …</translation>
    </message>
    <message>
        <source>&amp;Installed Tracks…</source>
        <translation>&amp;Installierte Strecken …</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;Preferences…</source>
        <translation>&amp;Einstellungen …</translation>
    </message>
    <message>
        <source>Ctrl+,</source>
        <translation>Ctrl+,</translation>
    </message>
    <message>
        <source>Check for &amp;Updates…</source>
        <translation>Nach &amp;Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>ZC Cratewright &amp;Help</source>
        <translation>ZC-Cratewright-&amp;Hilfe</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
</context>
<context>
    <name>PackageFiles</name>
    <message>
        <source>Package Files</source>
        <translation>Paketdateien</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Zusammenfassung</translation>
    </message>
    <message>
        <source>Package files and what an install would do with each</source>
        <translation>Paketdateien und was eine Installation mit jeder tun würde</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Detail</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>PackageFilesController</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>What installing “%1” into %2 would do:</source>
        <translation>Was die Installation von „%1“ in %2 tun würde:</translation>
    </message>
</context>
<context>
    <name>PreferencesPanel</name>
    <message>
        <source>ZC Cratewright Preferences</source>
        <translation>ZC-Cratewright-Einstellungen</translation>
    </message>
    <message>
        <source>Zoomcrest application folder:</source>
        <translation>Zoomcrest-Programmordner:</translation>
    </message>
    <message>
        <source>The folder that holds ZoomcrestSimulator.app</source>
        <translation>Der Ordner, der ZoomcrestSimulator.app enthält</translation>
    </message>
    <message>
        <source>&amp;Choose…</source>
        <translation>&amp;Auswählen …</translation>
    </message>
    <message>
        <source>Track packages are installed into this folder, and the simulator is started from it.</source>
        <translation>Streckenpakete werden in diesen Ordner installiert, und der Simulator wird von dort gestartet.</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
</context>
<context>
    <name>ProgressBar</name>
    <message>
        <source>%1 %3 of %2 %3</source>
        <comment>bytes done of all, in one unit</comment>
        <translation>%1 %3 von %2 %3</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Choose a Folder</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Track packages (%1)</source>
        <translation>Streckenpakete (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>QtPlatform</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>SimulatorLaunch</name>
    <message>
        <source>Could not launch track file. This was not supposed to happen. Tell %1 how you ended up here, and tell him &apos;pre-load launch&apos; (he&apos;ll know what it means).</source>
        <translation>Die Streckendatei konnte nicht gestartet werden. Das hätte nicht passieren dürfen. Schreiben Sie an %1, wie es dazu kam, und nennen Sie das Stichwort „pre-load launch“ (er weiß dann, was gemeint ist).</translation>
    </message>
    <message>
        <source>Could not launch track file. This was not supposed to happen. Tell %1 how you ended up here, and tell him &apos;pre-install launch&apos; (he&apos;ll know what it means).</source>
        <translation>Die Streckendatei konnte nicht gestartet werden. Das hätte nicht passieren dürfen. Schreiben Sie an %1, wie es dazu kam, und nennen Sie das Stichwort „pre-install launch“ (er weiß dann, was gemeint ist).</translation>
    </message>
    <message>
        <source>You either did not install the track to your Zoomcrest directory, or the Zoomcrest simulator could not be found (make sure it is named &apos;ZoomcrestSimulator&apos;).</source>
        <translation>Entweder haben Sie die Strecke nicht in Ihren Zoomcrest-Ordner installiert, oder der Zoomcrest-Simulator wurde nicht gefunden (achten Sie darauf, dass er „ZoomcrestSimulator“ heißt).</translation>
    </message>
    <message>
        <source>Oh Well</source>
        <translation>Na gut</translation>
    </message>
    <message>
        <source>I&apos;ll do that.</source>
        <translation>Mache ich.</translation>
    </message>
    <message>
        <source>Launch Failed</source>
        <translation>Start fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>UninstallCommand</name>
    <message>
        <source>Undo a recorded install: remove its files and put back the ones it replaced.</source>
        <translation>Eine aufgezeichnete Installation rückgängig machen: ihre Dateien entfernen und die von ihr ersetzten wiederherstellen.</translation>
    </message>
    <message>
        <source>The install&apos;s id, as &apos;cratewright list&apos; shows it, or its package&apos;s title.</source>
        <translation>Die Kennung der Installation, wie „cratewright list“ sie anzeigt, oder der Titel ihres Pakets.</translation>
    </message>
    <message>
        <source>no install given</source>
        <translation>keine Installation angegeben</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument „%1“</translation>
    </message>
    <message>
        <source>--folder needs a folder</source>
        <translation>--folder erfordert einen Ordner</translation>
    </message>
    <message>
        <source>The record %1 is damaged and is refused.</source>
        <translation>Die Aufzeichnung %1 ist beschädigt und wird abgelehnt.</translation>
    </message>
    <message>
        <source>No recorded install has the id or title &apos;%1&apos;; &apos;cratewright list&apos; shows them.</source>
        <translation>Keine aufgezeichnete Installation hat die Kennung oder den Titel „%1“; „cratewright list“ zeigt sie an.</translation>
    </message>
    <message>
        <source>%1 installs have the title &apos;%2&apos;; name one by its id: %3</source>
        <translation>%1 Installationen haben den Titel „%2“; nennen Sie eine davon mit ihrer Kennung: %3</translation>
    </message>
    <message>
        <source>Would remove: </source>
        <translation>Würde entfernen: </translation>
    </message>
    <message>
        <source>Removed: </source>
        <translation>Entfernt: </translation>
    </message>
    <message>
        <source>Would put back the original: </source>
        <translation>Würde das Original wiederherstellen: </translation>
    </message>
    <message>
        <source>Put back the original: </source>
        <translation>Original wiederhergestellt: </translation>
    </message>
    <message>
        <source>Would keep, changed since the install: </source>
        <translation>Würde behalten, seit der Installation geändert: </translation>
    </message>
    <message>
        <source>Kept, changed since the install: </source>
        <translation>Behalten, seit der Installation geändert: </translation>
    </message>
    <message>
        <source>Would leave to the later install that replaced it: </source>
        <translation>Würde der späteren Installation überlassen, die sie ersetzt hat: </translation>
    </message>
    <message>
        <source>Left to the later install that replaced it: </source>
        <translation>Der späteren Installation überlassen, die sie ersetzt hat: </translation>
    </message>
    <message>
        <source>Would leave, its original was not kept at install time: </source>
        <translation>Würde unverändert belassen, ihr Original wurde bei der Installation nicht aufbewahrt: </translation>
    </message>
    <message>
        <source>Left, its original was not kept at install time: </source>
        <translation>Unverändert belassen, ihr Original wurde bei der Installation nicht aufbewahrt: </translation>
    </message>
    <message>
        <source>Put back, but not its owner and group (only root may give a file to another user): </source>
        <translation>Wiederhergestellt, aber ohne Eigentümer und Gruppe (nur root darf eine Datei einem anderen Benutzer übergeben): </translation>
    </message>
    <message>
        <source>Would remove the folder, once empty: </source>
        <translation>Würde den Ordner entfernen, sobald er leer ist: </translation>
    </message>
    <message>
        <source>Removed the folder: </source>
        <translation>Ordner entfernt: </translation>
    </message>
    <message>
        <source>Could not remove or put back: </source>
        <translation>Konnte nicht entfernt oder wiederhergestellt werden: </translation>
    </message>
    <message>
        <source>%1 (%2) in %3</source>
        <translation>%1 (%2) in %3</translation>
    </message>
    <message>
        <source>Not fully undone: %1. %2 Run the uninstall again once the cause is fixed.</source>
        <translation>Nicht vollständig rückgängig gemacht: %1. %2 Führen Sie die Deinstallation erneut aus, sobald die Ursache behoben ist.</translation>
    </message>
    <message>
        <source>Nothing was changed (--dry-run): %1.</source>
        <translation>Es wurde nichts geändert (--dry-run): %1.</translation>
    </message>
    <message>
        <source>Undone: %1.</source>
        <translation>Rückgängig gemacht: %1.</translation>
    </message>
    <message>
        <source>Undone.</source>
        <translation>Rückgängig gemacht.</translation>
    </message>
</context>
<context>
    <name>VersionCheckCommand</name>
    <message>
        <source>Check online whether a newer version of ZC Cratewright exists.</source>
        <translation>Online prüfen, ob es eine neuere Version von ZC Cratewright gibt.</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument „%1“</translation>
    </message>
</context>
<context>
    <name>VersionCheckPanel</name>
    <message>
        <source>Check for Updates</source>
        <translation>Nach Aktualisierungen suchen</translation>
    </message>
    <message>
        <source>Checking for a newer version of ZC Cratewright…</source>
        <translation>Es wird nach einer neueren Version von ZC Cratewright gesucht …</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>VersionText</name>
    <message>
        <source>Error Retrieving Version Information</source>
        <translation>Fehler beim Abrufen der Versionsinformationen</translation>
    </message>
    <message>
        <source>Latest Version: %1

You are up to date.</source>
        <translation>Neueste Version: %1

Ihre Version ist aktuell.</translation>
    </message>
    <message>
        <source>New Version: %1

Download &amp; More Information:
%2</source>
        <translation>Neue Version: %1

Download &amp; weitere Informationen:
%2</translation>
    </message>
</context>
<context>
    <name>ZCTrackPackPrefWinController</name>
    <message>
        <source>Not A Zoomcrest Folder</source>
        <translation>Kein Zoomcrest-Ordner</translation>
    </message>
    <message>
        <source>The folder you chose does not appear to be your Zoomcrest application folder. You will not be able to use tracks installed to this location. Are you sure you want to use it?</source>
        <translation>Der gewählte Ordner scheint nicht Ihr Zoomcrest-Programmordner zu sein. Strecken, die Sie dorthin installieren, können Sie nicht nutzen. Möchten Sie ihn wirklich verwenden?</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Not A Valid Install Location</source>
        <translation>Kein gültiger Installationsort</translation>
    </message>
    <message>
        <source>The current install location is not valid. Please choose another.</source>
        <translation>Der aktuelle Installationsort ist ungültig. Bitte wählen Sie einen anderen.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Installs track packages for the Zoomcrest roller-coaster simulator.</source>
        <translation>Installiert Streckenpakete für den Achterbahnsimulator Zoomcrest.</translation>
    </message>
    <message>
        <source>Track package to open (.zcpack or self-extracting .exe). When several are given, the last one is opened.</source>
        <translation>Zu öffnendes Streckenpaket (.zcpack oder selbstentpackende .exe). Werden mehrere angegeben, wird das letzte geöffnet.</translation>
    </message>
    <message>
        <source>[files...]</source>
        <translation>[Dateien …]</translation>
    </message>
</context>
</TS>
