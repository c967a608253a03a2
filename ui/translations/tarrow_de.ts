<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>tarrow::TEditProjectForm</name>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation>&amp;Bearbeiten...</translation>
    </message>
    <message>
        <source>De&amp;lete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>A&amp;dd...</source>
        <translation>Hin&amp;zufügen...</translation>
    </message>
    <message>
        <source>Ed&amp;it...</source>
        <translation>Bearbe&amp;iten...</translation>
    </message>
    <message>
        <source>Dele&amp;te</source>
        <translation>Lö&amp;schen</translation>
    </message>
    <message>
        <source>Edit Project</source>
        <translation>Projekt bearbeiten</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>Extract URLs Depth</source>
        <translation>Tiefe der URL-Suche</translation>
    </message>
    <message>
        <source>&amp;Remove &lt;script&gt; tags.</source>
        <translation>&lt;script&gt;-Tags &amp;entfernen.</translation>
    </message>
    <message>
        <source>Remove &lt;&amp;noscript&gt; tags.</source>
        <translation>&lt;&amp;noscript&gt;-Tags entfernen.</translation>
    </message>
    <message>
        <source>URL starts with</source>
        <translation>URL beginnt mit</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>Download Files</source>
        <translation>Dateien herunterladen</translation>
    </message>
    <message>
        <source>Pattern</source>
        <translation>Muster</translation>
    </message>
    <message>
        <source>Replace Rule</source>
        <translation>Ersetzungsregel</translation>
    </message>
    <message>
        <source>Replace Rules</source>
        <translation>Ersetzungsregeln</translation>
    </message>
    <message>
        <source>E&amp;xplore</source>
        <translation>Anzei&amp;gen</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Relative &amp;Path Links.</source>
        <translation>&amp;Relative Pfade in Links.</translation>
    </message>
    <message>
        <source>Co&amp;mplete pages (style sheets, responsive images, media)</source>
        <translation>Vollständige Seiten (Stylesheets, Bildvarianten, &amp;Medien)</translation>
    </message>
    <message>
        <source>Don&apos;t overwrite files</source>
        <translation>Dateien nicht überschreiben</translation>
    </message>
    <message>
        <source>Overwrite all files</source>
        <translation>Alle Dateien überschreiben</translation>
    </message>
    <message>
        <source>Overwrite changed files only</source>
        <translation>Nur Geänderte überschreiben</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>Project Name:</source>
        <translation>Projektname:</translation>
    </message>
    <message>
        <source>Group:</source>
        <translation>Gruppe:</translation>
    </message>
    <message>
        <source>Website URL:</source>
        <translation>Website-URL:</translation>
    </message>
    <message>
        <source>Domain Aliases:</source>
        <translation>Domain-Aliasse:</translation>
    </message>
    <message>
        <source>Delimited by semicolon. Example: 127.0.0,1;localhost</source>
        <translation>Durch Semikolon getrennt. Beispiel: 127.0.0,1;localhost</translation>
    </message>
    <message>
        <source>Web Pages:</source>
        <translation>Webseiten:</translation>
    </message>
    <message>
        <source>Suppress URLs:</source>
        <translation>URLs unterdrücken:</translation>
    </message>
    <message>
        <source>Target Base URL:</source>
        <translation>Ziel-Basis-URL:</translation>
    </message>
    <message>
        <source>Index File:</source>
        <translation>Indexdatei:</translation>
    </message>
    <message>
        <source>Output Folder:</source>
        <translation>Ausgabeordner:</translation>
    </message>
    <message>
        <source>You can use these tags: {OutDir}, {ProjectName}</source>
        <translation>Mögliche Platzhalter: {OutDir}, {ProjectName}</translation>
    </message>
    <message>
        <source>Connection&amp;s:</source>
        <translation>&amp;Verbindungen:</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <translation>Überschreiben</translation>
    </message>
    <message>
        <source>Add New Project</source>
        <translation>Neues Projekt hinzufügen</translation>
    </message>
    <message>
        <source>Project Name</source>
        <translation>Projektname</translation>
    </message>
    <message>
        <source>The project&apos;s name, which no other project may have</source>
        <translation>Der Name des Projekts, den kein anderes Projekt tragen darf</translation>
    </message>
    <message>
        <source>The group the project is listed under in the main window&apos;s view</source>
        <translation>Die Gruppe, unter der das Projekt im Hauptfenster aufgeführt ist</translation>
    </message>
    <message>
        <source>The site&apos;s address: links under it are followed and saved</source>
        <translation>Die Adresse der Website: Links unterhalb davon werden verfolgt und gespeichert</translation>
    </message>
    <message>
        <source>Other host names the same site is reached under</source>
        <translation>Weitere Hostnamen, unter denen dieselbe Website erreichbar ist</translation>
    </message>
    <message>
        <source>The pages the download starts from, each with its link depth</source>
        <translation>Die Seiten, bei denen der Download beginnt, jede mit ihrer Link-Tiefe</translation>
    </message>
    <message>
        <source>URLs containing one of these lines are never downloaded</source>
        <translation>URLs, die eine dieser Zeilen enthalten, werden nie heruntergeladen</translation>
    </message>
    <message>
        <source>Leaves the scripts out of the saved pages</source>
        <translation>Lässt die Skripte in den gespeicherten Seiten weg</translation>
    </message>
    <message>
        <source>Leaves the &lt;noscript&gt; parts out of the saved pages</source>
        <translation>Lässt die &lt;noscript&gt;-Teile in den gespeicherten Seiten weg</translation>
    </message>
    <message>
        <source>Files saved as they are: a URL beginning and its output folder</source>
        <translation>Unverändert gespeicherte Dateien: ein URL-Anfang und sein Ausgabeordner</translation>
    </message>
    <message>
        <source>Regular expressions replaced in every saved page</source>
        <translation>Reguläre Ausdrücke, die in jeder gespeicherten Seite ersetzt werden</translation>
    </message>
    <message>
        <source>The address the copy will be published under; links point there</source>
        <translation>Die Adresse, unter der die Kopie veröffentlicht wird; Links zeigen dorthin</translation>
    </message>
    <message>
        <source>The file name a folder&apos;s own page is saved as</source>
        <translation>Der Dateiname, unter dem die Seite eines Ordners gespeichert wird</translation>
    </message>
    <message>
        <source>The folder the project&apos;s files are saved in</source>
        <translation>Der Ordner, in dem die Dateien des Projekts gespeichert werden</translation>
    </message>
    <message>
        <source>Opens the output folder in the file manager</source>
        <translation>Öffnet den Ausgabeordner in der Dateiverwaltung</translation>
    </message>
    <message>
        <source>Chooses the output folder</source>
        <translation>Wählt den Ausgabeordner</translation>
    </message>
    <message>
        <source>Links in saved pages become relative paths, so the copy works from any folder</source>
        <translation>Links in gespeicherten Seiten werden relative Pfade, so funktioniert die Kopie in jedem Ordner</translation>
    </message>
    <message>
        <source>Also saves what the pages need to show: style sheets, image variants, media</source>
        <translation>Speichert auch, was die Seiten zur Anzeige brauchen: Stylesheets, Bildvarianten, Medien</translation>
    </message>
    <message>
        <source>What happens to files an earlier run has saved</source>
        <translation>Was mit Dateien geschieht, die ein früherer Lauf gespeichert hat</translation>
    </message>
    <message>
        <source>How many transfers run at the same time</source>
        <translation>Wie viele Übertragungen gleichzeitig laufen</translation>
    </message>
    <message>
        <source>Takes the project as shown</source>
        <translation>Übernimmt das Projekt wie angezeigt</translation>
    </message>
    <message>
        <source>Closes without taking the changes</source>
        <translation>Schließt, ohne die Änderungen zu übernehmen</translation>
    </message>
    <message>
        <source>Adds a start page</source>
        <translation>Fügt eine Startseite hinzu</translation>
    </message>
    <message>
        <source>Edits the selected start page</source>
        <translation>Bearbeitet die ausgewählte Startseite</translation>
    </message>
    <message>
        <source>Deletes the selected start pages</source>
        <translation>Löscht die ausgewählten Startseiten</translation>
    </message>
    <message>
        <source>Adds a rule for files to download</source>
        <translation>Fügt eine Regel für herunterzuladende Dateien hinzu</translation>
    </message>
    <message>
        <source>Edits the selected download rule</source>
        <translation>Bearbeitet die ausgewählte Download-Regel</translation>
    </message>
    <message>
        <source>Deletes the selected download rules</source>
        <translation>Löscht die ausgewählten Download-Regeln</translation>
    </message>
    <message>
        <source>Adds a replace rule</source>
        <translation>Fügt eine Ersetzungsregel hinzu</translation>
    </message>
    <message>
        <source>Edits the selected replace rule</source>
        <translation>Bearbeitet die ausgewählte Ersetzungsregel</translation>
    </message>
    <message>
        <source>Deletes the selected replace rules</source>
        <translation>Löscht die ausgewählten Ersetzungsregeln</translation>
    </message>
</context>
<context>
    <name>tarrow::TProjectsListModel</name>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Geänderte</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>Project Name</source>
        <translation>Projektname</translation>
    </message>
    <message>
        <source>Project Group</source>
        <translation>Projektgruppe</translation>
    </message>
    <message>
        <source>Website URL</source>
        <translation>Website-URL</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>Remove Scripts?</source>
        <translation>Skripte entfernen?</translation>
    </message>
    <message>
        <source>Target Base URL</source>
        <translation>Ziel-Basis-URL</translation>
    </message>
    <message>
        <source>Index File</source>
        <translation>Indexdatei</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <translation>Überschreiben</translation>
    </message>
</context>
<context>
    <name>tarrow::TReplaceRuleForm</name>
    <message>
        <source>Replace Rule</source>
        <translation>Ersetzungsregel</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>&amp;Test</source>
        <translation>&amp;Testen</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>The regular expression that finds the text to replace</source>
        <translation>Der reguläre Ausdruck, der den zu ersetzenden Text findet</translation>
    </message>
    <message>
        <source>What replaces each match ($1 for the first group)</source>
        <translation>Was jeden Treffer ersetzt ($1 für die erste Gruppe)</translation>
    </message>
    <message>
        <source>A sample text to try the rule on</source>
        <translation>Ein Beispieltext, an dem die Regel ausprobiert wird</translation>
    </message>
    <message>
        <source>Shows what the rule makes of the sample text</source>
        <translation>Zeigt, was die Regel aus dem Beispieltext macht</translation>
    </message>
    <message>
        <source>Takes the entry</source>
        <translation>Übernimmt den Eintrag</translation>
    </message>
    <message>
        <source>Closes without taking the entry</source>
        <translation>Schließt, ohne den Eintrag zu übernehmen</translation>
    </message>
    <message>
        <source>Replace Pattern:</source>
        <translation>Suchmuster:</translation>
    </message>
    <message>
        <source>Replace Rule:</source>
        <translation>Ersetzungsregel:</translation>
    </message>
    <message>
        <source>Subject:</source>
        <translation>Beispieltext:</translation>
    </message>
    <message>
        <source>Result:</source>
        <translation>Ergebnis:</translation>
    </message>
    <message>
        <source>What the rule found and made of the sample text</source>
        <translation>Was die Regel im Beispieltext gefunden und daraus gemacht hat</translation>
    </message>
</context>
<context>
    <name>tarrow::TShell</name>
    <message>
        <source>Text files (*.txt *.log);;All files (*)</source>
        <translation>Textdateien (*.txt *.log);;Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>tarrow::TSingleInstance</name>
    <message>
        <source>The settings file &quot;%1&quot; is open in another Tarrow window.</source>
        <translation>Die Einstellungsdatei „%1“ ist in einem anderen Tarrow-Fenster geöffnet.</translation>
    </message>
    <message>
        <source>Bring that window forward, or open this one read-only (nothing it changes is saved)?</source>
        <translation>Jenes Fenster nach vorn holen oder dieses schreibgeschützt öffnen (seine Änderungen werden nicht gespeichert)?</translation>
    </message>
    <message>
        <source>&amp;Bring Forward</source>
        <translation>&amp;Nach vorn holen</translation>
    </message>
    <message>
        <source>Open &amp;Read-Only</source>
        <translation>&amp;Schreibgeschützt öffnen</translation>
    </message>
</context>
<context>
    <name>tarrow::TTarrowForm</name>
    <message>
        <source>Close &amp;Without Saving</source>
        <translation>&amp;Ohne Speichern schließen</translation>
    </message>
    <message>
        <source>Please, enter %1</source>
        <translation>Bitte %1 angeben</translation>
    </message>
</context>
<context>
    <name>tarrow::TTarrowMainForm</name>
    <message>
        <source>Save Log...</source>
        <translation>Protokoll speichern...</translation>
    </message>
    <message>
        <source>Save Log</source>
        <translation>Protokoll speichern</translation>
    </message>
    <message>
        <source>Cannot write &quot;%1&quot;: %2</source>
        <translation>„%1“ kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>%p% (%1 of %2 URLs known)</source>
        <translation>%p% (%1 von %2 bekannten URLs)</translation>
    </message>
    <message>
        <source>Project %1 of %2</source>
        <translation>Projekt %1 von %2</translation>
    </message>
    <message>
        <source>   URL %1 of %2: %3</source>
        <translation>   URL %1 von %2: %3</translation>
    </message>
    <message>
        <source>   Downloaded: %1, failed: %2</source>
        <translation>   Heruntergeladen: %1, fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>%1 - URL %2 of %3</source>
        <translation>%1 - URL %2 von %3</translation>
    </message>
    <message>
        <source>Completed with %1 failed. Downloaded: %2.</source>
        <translation>Fertig, %1 fehlgeschlagen. Heruntergeladen: %2.</translation>
    </message>
    <message>
        <source>The run completed. Downloaded: %1, failed: %2.</source>
        <translation>Der Lauf ist fertig. Heruntergeladen: %1, fehlgeschlagen: %2.</translation>
    </message>
    <message>
        <source>The run was broken off. Downloaded: %1, failed: %2.</source>
        <translation>Der Lauf wurde abgebrochen. Heruntergeladen: %1, fehlgeschlagen: %2.</translation>
    </message>
    <message>
        <source>The run ended early. Downloaded: %1, failed: %2.</source>
        <translation>Der Lauf endete vorzeitig. Heruntergeladen: %1, fehlgeschlagen: %2.</translation>
    </message>
    <message>
        <source>%1 downloaded, %2 failed</source>
        <translation>%1 heruntergeladen, %2 fehlgeschlagen</translation>
    </message>
    <message>
        <source>Add...</source>
        <translation>Hinzufügen...</translation>
    </message>
    <message>
        <source>Copy...</source>
        <translation>Kopieren...</translation>
    </message>
    <message>
        <source>Edit...</source>
        <translation>Bearbeiten...</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Explore Out. Folder</source>
        <translation>Ausg.-Ordner anzeigen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alle markieren</translation>
    </message>
    <message>
        <source>Unselect All</source>
        <translation>Alle Markierungen aufheben</translation>
    </message>
    <message>
        <source>Load Websites</source>
        <translation>Websites laden</translation>
    </message>
    <message>
        <source>Break</source>
        <translation>Unterbrechen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Handbuch</translation>
    </message>
    <message>
        <source>&lt;All projects&gt;</source>
        <translation>&lt;Alle Projekte&gt;</translation>
    </message>
    <message>
        <source>Shows all projects or only those of one group</source>
        <translation>Zeigt alle Projekte oder nur die einer Gruppe</translation>
    </message>
    <message>
        <source>Check All</source>
        <translation>Alle markieren</translation>
    </message>
    <message>
        <source>Uncheck All</source>
        <translation>Keine markieren</translation>
    </message>
    <message>
        <source>Checks every project shown</source>
        <translation>Markiert jedes angezeigte Projekt</translation>
    </message>
    <message>
        <source>Unchecks every project</source>
        <translation>Hebt die Markierung aller Projekte auf</translation>
    </message>
    <message>
        <source>0 checked.</source>
        <translation>0 markiert.</translation>
    </message>
    <message>
        <source>View:</source>
        <translation>Ansicht:</translation>
    </message>
    <message>
        <source>Pro&amp;jects:</source>
        <translation>Pro&amp;jekte:</translation>
    </message>
    <message>
        <source>The projects; the check mark (Space) includes one in Load Websites</source>
        <translation>Die Projekte; das Häkchen (Leertaste) nimmt eines in „Websites laden“ auf</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>Adds a new project</source>
        <translation>Fügt ein neues Projekt hinzu</translation>
    </message>
    <message>
        <source>Co&amp;py...</source>
        <translation>&amp;Kopieren...</translation>
    </message>
    <message>
        <source>Adds a copy of the selected project under a new name</source>
        <translation>Fügt eine Kopie des ausgewählten Projekts unter neuem Namen hinzu</translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation>&amp;Bearbeiten...</translation>
    </message>
    <message>
        <source>Edits the selected project</source>
        <translation>Bearbeitet das ausgewählte Projekt</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>Lö&amp;schen</translation>
    </message>
    <message>
        <source>Deletes the selected project</source>
        <translation>Löscht das ausgewählte Projekt</translation>
    </message>
    <message>
        <source>Explore &amp;Out. Folder</source>
        <translation>Ausg.-Ordner &amp;anzeigen</translation>
    </message>
    <message>
        <source>Opens the selected project&apos;s output folder in the file manager</source>
        <translation>Öffnet den Ausgabeordner des ausgewählten Projekts in der Dateiverwaltung</translation>
    </message>
    <message>
        <source>E&amp;xplore</source>
        <translation>Anzei&amp;gen</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>The folder that {OutDir} stands for in output folders</source>
        <translation>Der Ordner, für den {OutDir} in Ausgabeordnern steht</translation>
    </message>
    <message>
        <source>Opens the output folder in the file manager</source>
        <translation>Öffnet den Ausgabeordner in der Dateiverwaltung</translation>
    </message>
    <message>
        <source>Chooses the output folder</source>
        <translation>Wählt den Ausgabeordner</translation>
    </message>
    <message>
        <source>Output Folder ({OutDir}):</source>
        <translation>Ausgabeordner ({OutDir}):</translation>
    </message>
    <message>
        <source>none, or socks5://host:port</source>
        <translation>keiner, oder socks5://host:port</translation>
    </message>
    <message>
        <source>The proxy every run goes through; empty for none</source>
        <translation>Der Proxy, über den jeder Lauf geht; leer für keinen</translation>
    </message>
    <message>
        <source>Prox&amp;y:</source>
        <translation>Prox&amp;y:</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>The log of the last run</source>
        <translation>Das Protokoll des letzten Laufs</translation>
    </message>
    <message>
        <source>Read the documentation</source>
        <translation>Die Dokumentation lesen</translation>
    </message>
    <message>
        <source>A website downloader. Copyright © The Tarrow developers, 2021-20%.2d</source>
        <translation>Ein Website-Downloader. Copyright © Die Tarrow-Entwickler, 2021-20%.2d</translation>
    </message>
    <message>
        <source>Websites</source>
        <translation>Websites</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>&amp;Load Websites</source>
        <translation>Websites &amp;laden</translation>
    </message>
    <message>
        <source>Con&amp;tinue</source>
        <translation>&amp;Fortsetzen</translation>
    </message>
    <message>
        <source>B&amp;reak</source>
        <translation>&amp;Unterbrechen</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>S&amp;chließen</translation>
    </message>
    <message>
        <source>Downloads the checked projects</source>
        <translation>Lädt die markierten Projekte herunter</translation>
    </message>
    <message>
        <source>Continues the selected project&apos;s interrupted run from its journal</source>
        <translation>Setzt den unterbrochenen Lauf des ausgewählten Projekts aus seinem Journal fort</translation>
    </message>
    <message>
        <source>Stops the run</source>
        <translation>Hält den Lauf an</translation>
    </message>
    <message>
        <source>Saves the settings and closes the window</source>
        <translation>Speichert die Einstellungen und schließt das Fenster</translation>
    </message>
    <message>
        <source>%1-Bit %2Edition</source>
        <translation>%1-Bit-%2Ausgabe</translation>
    </message>
    <message>
        <source> - Read-Only</source>
        <translation> - Schreibgeschützt</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>%1 checked.</source>
        <translation>%1 markiert.</translation>
    </message>
    <message>
        <source>Project &quot;%1&quot; already exists.</source>
        <translation>Das Projekt „%1“ gibt es bereits.</translation>
    </message>
    <message>
        <source>Delete &quot;%1&quot;.&quot;<byte value="xd"/>
<byte value="xd"/>
Are you sure?</source>
        <translation>„%1“ löschen.<byte value="xd"/>
<byte value="xd"/>
Sind Sie sicher?</translation>
    </message>
    <message>
        <source>Delete Project</source>
        <translation>Projekt löschen</translation>
    </message>
    <message>
        <source>Output Folder ({OutDir})</source>
        <translation>Ausgabeordner ({OutDir})</translation>
    </message>
    <message>
        <source>No manual is installed.</source>
        <translation>Es ist kein Handbuch installiert.</translation>
    </message>
    <message>
        <source>Please, check one or more projects.</source>
        <translation>Bitte markieren Sie ein oder mehrere Projekte.</translation>
    </message>
    <message>
        <source>Opens the documentation in the web browser</source>
        <translation>Öffnet die Dokumentation im Webbrowser</translation>
    </message>
</context>
<context>
    <name>tarrow::TWebDocForm</name>
    <message>
        <source>Download Files</source>
        <translation>Dateien herunterladen</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>The address of a file to download as it is</source>
        <translation>Die Adresse einer Datei, die unverändert heruntergeladen wird</translation>
    </message>
    <message>
        <source>The folder the file is saved in</source>
        <translation>Der Ordner, in dem die Datei gespeichert wird</translation>
    </message>
    <message>
        <source>Takes the entry</source>
        <translation>Übernimmt den Eintrag</translation>
    </message>
    <message>
        <source>Closes without taking the entry</source>
        <translation>Schließt, ohne den Eintrag zu übernehmen</translation>
    </message>
    <message>
        <source>URL starts with:</source>
        <translation>URL beginnt mit:</translation>
    </message>
    <message>
        <source>Output Folder:</source>
        <translation>Ausgabeordner:</translation>
    </message>
    <message>
        <source>Download files which URL starts with a specific string.</source>
        <translation>Dateien herunterladen, deren URL mit einer bestimmten Zeichenfolge beginnt.</translation>
    </message>
</context>
<context>
    <name>tarrow::TWebOptionsPage</name>
    <message>
        <source>Web Access</source>
        <translation>Webzugriff</translation>
    </message>
    <message>
        <source>Scope and Limits</source>
        <translation>Umfang und Grenzen</translation>
    </message>
    <message>
        <source>Obe&amp;y robots.txt</source>
        <translation>robots.t&amp;xt beachten</translation>
    </message>
    <message>
        <source>&amp;Wait between requests (ms):</source>
        <translation>&amp;Wartezeit je Anfrage (ms):</translation>
    </message>
    <message>
        <source>Retry only &amp;failures that may pass</source>
        <translation>Nur behebbare &amp;Fehler wiederholen</translation>
    </message>
    <message>
        <source>&amp;User agent:</source>
        <translation>&amp;User-Agent:</translation>
    </message>
    <message>
        <source>The user agent must be one line.</source>
        <translation>Der User-Agent muss aus einer Zeile bestehen.</translation>
    </message>
    <message>
        <source>Request &amp;headers:</source>
        <translation>&amp;Anfrage-Header:</translation>
    </message>
    <message>
        <source>Coo&amp;kies file (Netscape format):</source>
        <translation>Coo&amp;kie-Datei (Netscape-Format):</translation>
    </message>
    <message>
        <source>Cookies file not found: %1</source>
        <translation>Cookie-Datei nicht gefunden: %1</translation>
    </message>
    <message>
        <source>Keep a run &amp;journal (to continue an interrupted run)</source>
        <translation>Lauf-&amp;Journal führen (zum Fortsetzen nach Abbruch)</translation>
    </message>
    <message>
        <source>Conditional update: ask only for what chan&amp;ged since the last run</source>
        <translation>Bedingt aktualisieren: nur seit dem letzten Lauf Ge&amp;ändertes holen</translation>
    </message>
    <message>
        <source>With the journal, asks the server for each saved file only if it has changed</source>
        <translation>Fragt mit dem Journal jede gespeicherte Datei nur ab, wenn sie sich geändert hat</translation>
    </message>
    <message>
        <source>Web archive (WARC) file, wri&amp;tten each run:</source>
        <translation>WARC-Da&amp;tei, je Lauf geschrieben:</translation>
    </message>
    <message>
        <source>&amp;Verify TLS certificates and host names</source>
        <translation>TLS-Zertifikate und Hostnamen &amp;prüfen</translation>
    </message>
    <message>
        <source>Without it, anyone between this computer and the https site can change what is saved.</source>
        <translation>Ohne die Prüfung kann jeder zwischen diesem Computer und der https-Website ändern, was gespeichert wird.</translation>
    </message>
    <message>
        <source>Skip crawler &amp;traps (very long, very deep or repeating URLs)</source>
        <translation>Crawler-&amp;Fallen meiden (überlange, tiefe, wiederholte URLs)</translation>
    </message>
    <message>
        <source>Follo&amp;w the site&apos;s sitemaps</source>
        <translation>&amp;Sitemaps der Website folgen</translation>
    </message>
    <message>
        <source>&amp;Include URLs matching:</source>
        <translation>URLs e&amp;inschließen (Muster):</translation>
    </message>
    <message>
        <source>Excl&amp;ude URLs matching:</source>
        <translation>URLs a&amp;usschließen (Muster):</translation>
    </message>
    <message>
        <source>One regular expression a line, searched in the whole URL. A URL is taken when it matches an include (or there is none) and no exclude.</source>
        <translation>Ein regulärer Ausdruck pro Zeile, gesucht in der ganzen URL. Eine URL wird genommen, wenn sie auf ein Einschluss-Muster passt (oder es keines gibt) und auf kein Ausschluss-Muster.</translation>
    </message>
    <message>
        <source>Drop &amp;query parameters:</source>
        <translation>Abfrage&amp;parameter entfernen:</translation>
    </message>
    <message>
        <source>No limit</source>
        <translation>Keine Grenze</translation>
    </message>
    <message>
        <source>Stop after &amp;files:</source>
        <translation>Anhalten nach Da&amp;teien:</translation>
    </message>
    <message>
        <source>Stop after me&amp;gabytes:</source>
        <translation>Anhalten nach Meg&amp;abyte:</translation>
    </message>
    <message>
        <source>Stop after secon&amp;ds:</source>
        <translation>Anhalten nach Se&amp;kunden:</translation>
    </message>
    <message>
        <source>Skips what the site&apos;s robots.txt asks crawlers to leave alone</source>
        <translation>Überspringt, was die robots.txt der Website Crawlern verbietet</translation>
    </message>
    <message>
        <source>Waits this long between two requests to the site, to spare it</source>
        <translation>Wartet so lange zwischen zwei Anfragen an die Website, um sie zu schonen</translation>
    </message>
    <message>
        <source>Retries time-outs and server errors, but not missing or refused pages</source>
        <translation>Wiederholt Zeitüberschreitungen und Serverfehler, aber keine fehlenden oder verweigerten Seiten</translation>
    </message>
    <message>
        <source>The browser name sent with every request; empty for the program&apos;s own</source>
        <translation>Der Browsername, der mit jeder Anfrage gesendet wird; leer für den des Programms</translation>
    </message>
    <message>
        <source>Extra headers sent with every request, one &quot;Name: value&quot; a line</source>
        <translation>Zusätzliche Header für jede Anfrage, ein „Name: Wert“ pro Zeile</translation>
    </message>
    <message>
        <source>A browser&apos;s exported cookies file whose cookies go with the requests</source>
        <translation>Die exportierte Cookie-Datei eines Browsers, deren Cookies mit den Anfragen gehen</translation>
    </message>
    <message>
        <source>Records the run as it goes, so that Continue can finish it after a break</source>
        <translation>Zeichnet den Lauf auf, damit „Fortsetzen“ ihn nach einer Unterbrechung beenden kann</translation>
    </message>
    <message>
        <source>Records every response of a run in this web archive file; empty for none</source>
        <translation>Zeichnet jede Antwort eines Laufs in dieser Webarchiv-Datei auf; leer für keine</translation>
    </message>
    <message>
        <source>Refuses https sites whose certificate or host name cannot be verified</source>
        <translation>Weist https-Websites ab, deren Zertifikat oder Hostname nicht geprüft werden kann</translation>
    </message>
    <message>
        <source>Leaves out URLs that are very long, very deep or repeat a part of their path</source>
        <translation>Lässt URLs aus, die sehr lang oder sehr tief sind oder einen Teil ihres Pfads wiederholen</translation>
    </message>
    <message>
        <source>Also takes the pages that the site&apos;s sitemaps list</source>
        <translation>Nimmt auch die Seiten, die die Sitemaps der Website aufführen</translation>
    </message>
    <message>
        <source>Only URLs matching one of these are taken; empty for all</source>
        <translation>Nur URLs, die auf eines dieser Muster passen, werden genommen; leer für alle</translation>
    </message>
    <message>
        <source>URLs matching one of these are left out</source>
        <translation>URLs, die auf eines dieser Muster passen, werden ausgelassen</translation>
    </message>
    <message>
        <source>Query parameters removed from every URL, separated by semicolons (* as wildcard)</source>
        <translation>Abfrageparameter, die aus jeder URL entfernt werden, durch Semikolon getrennt (* als Platzhalter)</translation>
    </message>
    <message>
        <source>Ends the project after this many files; 0 for no limit</source>
        <translation>Beendet das Projekt nach so vielen Dateien; 0 für keine Grenze</translation>
    </message>
    <message>
        <source>Ends the project after this many megabytes; 0 for no limit</source>
        <translation>Beendet das Projekt nach so vielen Megabyte; 0 für keine Grenze</translation>
    </message>
    <message>
        <source>Ends the project after this many seconds; 0 for no limit</source>
        <translation>Beendet das Projekt nach so vielen Sekunden; 0 für keine Grenze</translation>
    </message>
</context>
<context>
    <name>tarrow::TWebPageForm</name>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>„%1“ ist keine gültige ganze Zahl</translation>
    </message>
    <message>
        <source>Web Page</source>
        <translation>Webseite</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>The address of a page to start downloading from</source>
        <translation>Die Adresse einer Seite, bei der der Download beginnt</translation>
    </message>
    <message>
        <source>How many links deep to follow from this page (0: the page only)</source>
        <translation>Wie viele Links tief von dieser Seite aus gefolgt wird (0: nur die Seite)</translation>
    </message>
    <message>
        <source>Takes the entry</source>
        <translation>Übernimmt den Eintrag</translation>
    </message>
    <message>
        <source>Closes without taking the entry</source>
        <translation>Schließt, ohne den Eintrag zu übernehmen</translation>
    </message>
    <message>
        <source>URL:</source>
        <translation>URL:</translation>
    </message>
    <message>
        <source>Extract URLs Depth:</source>
        <translation>Tiefe der URL-Suche:</translation>
    </message>
    <message>
        <source>Download web page from a specific URL.</source>
        <translation>Webseite von einer bestimmten URL herunterladen.</translation>
    </message>
</context>
</TS>
