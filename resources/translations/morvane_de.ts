<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AppController</name>
    <message numerus="yes">
        <source>%n image photos</source>
        <translation>
            <numerusform>%n Foto</numerusform>
            <numerusform>%n Fotos</numerusform>
        </translation>
    </message>
    <message>
        <source>Images (%1)</source>
        <translation>Bilder (%1)</translation>
    </message>
    <message>
        <source>Error to create &apos;%1&apos;.<byte value="xd"/>
[%2]</source>
        <translation>„%1“ konnte nicht angelegt werden.<byte value="xd"/>
[%2]</translation>
    </message>
</context>
<context>
    <name>ConversionRun</name>
    <message>
        <source>in progress...</source>
        <translation>Wird bearbeitet …</translation>
    </message>
    <message>
        <source>Removing EXIF for %1 of %2 ...</source>
        <translation>Metadaten werden entfernt: %1 von %2 …</translation>
    </message>
</context>
<context>
    <name>CopyCheck</name>
    <message>
        <source>the copy could not be checked: %1</source>
        <translation>die Kopie konnte nicht geprüft werden: %1</translation>
    </message>
    <message>
        <source> and %1 more</source>
        <translation> und %1 weitere</translation>
    </message>
    <message>
        <source>the copy still held: %1</source>
        <translation>die Kopie enthielt noch: %1</translation>
    </message>
</context>
<context>
    <name>FileConversion</name>
    <message>
        <source>only %1 of its %2 rows were in the file</source>
        <translation>nur %1 der %2 Zeilen waren in der Datei</translation>
    </message>
    <message>
        <source>the file ends early: every row was in it, with less detail</source>
        <translation>die Datei endet vorzeitig: jede Zeile war darin, mit weniger Details</translation>
    </message>
    <message>
        <source>the frames could not be kept: %1</source>
        <translation>die Einzelbilder konnten nicht erhalten werden: %1</translation>
    </message>
    <message>
        <source>first of %1 pages</source>
        <translation>erste von %1 Seiten</translation>
    </message>
    <message>
        <source>first of %1 frames</source>
        <translation>erstes von %1 Einzelbildern</translation>
    </message>
    <message>
        <source>re-encoded at quality %1: %2</source>
        <translation>mit Qualität %1 neu kodiert: %2</translation>
    </message>
    <message>
        <source>re-encoded: %1</source>
        <translation>neu kodiert: %1</translation>
    </message>
</context>
<context>
    <name>FileTableModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Personal Data</source>
        <translation>Persönliche Daten</translation>
    </message>
</context>
<context>
    <name>InspectionCache</name>
    <message>
        <source>the file cannot be read</source>
        <translation>die Datei kann nicht gelesen werden</translation>
    </message>
</context>
<context>
    <name>InspectionPanel</name>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>People</source>
        <translation>Personen</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Texte</translation>
    </message>
    <message>
        <source>Hidden</source>
        <translation>Verborgen</translation>
    </message>
    <message>
        <source>Reading…</source>
        <translation>Wird gelesen …</translation>
    </message>
    <message>
        <source>Not read: %1</source>
        <translation>Nicht gelesen: %1</translation>
    </message>
    <message>
        <source>Nothing personal found</source>
        <translation>Nichts Persönliches gefunden</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>Copy Location</source>
        <translation>Ort kopieren</translation>
    </message>
    <message>
        <source>What the photo gives away</source>
        <translation>Was das Foto preisgibt</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>Feld</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Personal data</source>
        <translation>Persönliche Daten</translation>
    </message>
    <message>
        <source>Copies the photo&apos;s position as latitude and longitude</source>
        <translation>Kopiert die Position des Fotos als Breiten- und Längengrad</translation>
    </message>
    <message>
        <source>No photo selected</source>
        <translation>Kein Foto ausgewählt</translation>
    </message>
    <message>
        <source>Select a photo to see what it gives away.</source>
        <translation>Wählen Sie ein Foto aus, um zu sehen, was es preisgibt.</translation>
    </message>
    <message>
        <source>Gives away: %1</source>
        <translation>Gibt preis: %1</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Their compressed picture is carried into the clean copy as it is: the pixels stay exactly those of the photo. Chosen as JPEG, they are decoded and written at the quality above.</source>
        <translation>Ihr komprimiertes Bild wird unverändert in die bereinigte Kopie übernommen: die Pixel bleiben genau die des Fotos. Als JPEG gewählt, werden sie dekodiert und mit der Qualität oben geschrieben.</translation>
    </message>
    <message>
        <source>HEIC, AVIF and WebP in their own format are never re-encoded</source>
        <translation>HEIC, AVIF und WebP im eigenen Format werden nie neu kodiert</translation>
    </message>
    <message>
        <source>Morvane</source>
        <translation>Morvane</translation>
    </message>
    <message>
        <source>Drop photos or folders here</source>
        <translation>Fotos oder Ordner hierher ziehen</translation>
    </message>
    <message>
        <source>Morvane saves clean copies without camera, location or date details.
Your original photos are never changed.</source>
        <translation>Morvane speichert bereinigte Kopien ohne Kamera-, Orts- und Datumsangaben.
Ihre Originalfotos werden nie verändert.</translation>
    </message>
    <message>
        <source>Add Images…</source>
        <translation>Bilder hinzufügen …</translation>
    </message>
    <message>
        <source>Add Folder…</source>
        <translation>Ordner hinzufügen …</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>List or thumbnails</source>
        <translation>Liste oder Vorschaubilder</translation>
    </message>
    <message>
        <source>JPEG quality:</source>
        <translation>JPEG-Qualität:</translation>
    </message>
    <message>
        <source>Quality of the JPEG copies, from 0 (smallest file) to 100 (best picture)</source>
        <translation>Qualität der JPEG-Kopien, von 0 (kleinste Datei) bis 100 (bestes Bild)</translation>
    </message>
    <message>
        <source>Turn photos upright by their orientation tag before saving</source>
        <translation>Fotos vor dem Speichern anhand ihrer Ausrichtungsangabe aufrecht drehen</translation>
    </message>
    <message>
        <source>Turn photos upright</source>
        <translation>Fotos aufrecht drehen</translation>
    </message>
    <message>
        <source>Clean JPEGs saved as JPEG without re-encoding them: the picture stays exactly as it was. A photo whose size does not allow an exact turn is re-encoded at the quality above, and the summary says so.</source>
        <translation>JPEG-Bilder, die als JPEG gespeichert werden, ohne Neukodierung bereinigen: Das Bild bleibt genau so, wie es war. Ein Foto, dessen Größe keine exakte Drehung erlaubt, wird mit der eingestellten JPEG-Qualität neu kodiert; die Zusammenfassung weist darauf hin.</translation>
    </message>
    <message>
        <source>Keep JPEG quality (no re-encoding)</source>
        <translation>JPEG-Qualität beibehalten (keine Neukodierung)</translation>
    </message>
    <message>
        <source>&amp;Output format:</source>
        <translation>&amp;Ausgabeformat:</translation>
    </message>
    <message>
        <source>Write each photo in its own format, or every photo as a JPEG that every program opens</source>
        <translation>Jedes Foto in seinem eigenen Format schreiben oder alle Fotos als JPEG, das jedes Programm öffnen kann</translation>
    </message>
    <message>
        <source>Same as the source</source>
        <translation>Wie das Original</translation>
    </message>
    <message>
        <source>JPEG</source>
        <translation>JPEG</translation>
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
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Add image files to the list</source>
        <translation>Bilddateien zur Liste hinzufügen</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>Add the images of a folder to the list</source>
        <translation>Die Bilder eines Ordners zur Liste hinzufügen</translation>
    </message>
    <message>
        <source>Ctrl+Shift+O</source>
        <translation>Ctrl+Shift+O</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove the selected files from the list</source>
        <translation>Die ausgewählten Dateien aus der Liste entfernen</translation>
    </message>
    <message>
        <source>Del</source>
        <translation>Del</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Remove every file from the list</source>
        <translation>Alle Dateien aus der Liste entfernen</translation>
    </message>
    <message>
        <source>Convert…</source>
        <translation>Konvertieren …</translation>
    </message>
    <message>
        <source>Save clean copies of the listed photos into a folder</source>
        <translation>Bereinigte Kopien der aufgelisteten Fotos in einem Ordner speichern</translation>
    </message>
    <message>
        <source>Ctrl+Return</source>
        <translation>Ctrl+Return</translation>
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
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>Thumbnails</source>
        <translation>Vorschaubilder</translation>
    </message>
</context>
<context>
    <name>MetadataInspector</name>
    <message>
        <source>App in the file name</source>
        <translation>App im Dateinamen</translation>
    </message>
    <message>
        <source>Device in the file name</source>
        <translation>Gerät im Dateinamen</translation>
    </message>
    <message>
        <source>Date in the file name</source>
        <translation>Datum im Dateinamen</translation>
    </message>
    <message>
        <source>Date and time in the file name</source>
        <translation>Datum und Uhrzeit im Dateinamen</translation>
    </message>
    <message>
        <source>Camera make</source>
        <translation>Hersteller</translation>
    </message>
    <message>
        <source>Camera model</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>Date modified</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Date taken</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>Date digitised</source>
        <translation>Digitalisiert</translation>
    </message>
    <message>
        <source>Time zone (modified)</source>
        <translation>Zeitzone (Änderung)</translation>
    </message>
    <message>
        <source>Time zone (taken)</source>
        <translation>Zeitzone (Aufnahme)</translation>
    </message>
    <message>
        <source>Time zone (digitised)</source>
        <translation>Zeitzone (Digitalisierung)</translation>
    </message>
    <message>
        <source>Comment (Windows)</source>
        <translation>Kommentar (Windows)</translation>
    </message>
    <message>
        <source>Author (Windows)</source>
        <translation>Autor (Windows)</translation>
    </message>
    <message>
        <source>Keywords (Windows)</source>
        <translation>Stichwörter (Windows)</translation>
    </message>
    <message>
        <source>Title (Windows)</source>
        <translation>Titel (Windows)</translation>
    </message>
    <message>
        <source>Subject (Windows)</source>
        <translation>Betreff (Windows)</translation>
    </message>
    <message>
        <source>GPS position</source>
        <translation>GPS-Position</translation>
    </message>
    <message>
        <source>Altitude</source>
        <translation>Höhe</translation>
    </message>
    <message>
        <source>%1 m below sea level</source>
        <translation>%1 m unter NN</translation>
    </message>
    <message>
        <source>%1 m above sea level</source>
        <translation>%1 m über NN</translation>
    </message>
    <message>
        <source>GPS time</source>
        <translation>GPS-Zeit</translation>
    </message>
    <message>
        <source>Owner name (maker notes)</source>
        <translation>Name des Besitzers (Herstellerdaten)</translation>
    </message>
    <message>
        <source>Serial number (maker notes)</source>
        <translation>Seriennummer (Herstellerdaten)</translation>
    </message>
    <message>
        <source>Firmware (maker notes)</source>
        <translation>Firmware (Herstellerdaten)</translation>
    </message>
    <message>
        <source>Maker notes</source>
        <translation>Herstellerdaten</translation>
    </message>
    <message>
        <source>Thumbnail (EXIF)</source>
        <translation>Vorschaubild (EXIF)</translation>
    </message>
    <message>
        <source>present</source>
        <translation>vorhanden</translation>
    </message>
    <message>
        <source>GPS position (XMP)</source>
        <translation>GPS-Position (XMP)</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>es ist ein Ordner</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>es ist keine reguläre Datei</translation>
    </message>
    <message>
        <source>there is not enough memory to read it</source>
        <translation>es ist nicht genügend Arbeitsspeicher zum Lesen vorhanden</translation>
    </message>
    <message>
        <source>the file is too large (%1; files above %2 are not read)</source>
        <translation>die Datei ist zu groß (%1; Dateien über %2 werden nicht gelesen)</translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>Removing Metadata</source>
        <translation>Metadaten werden entfernt</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>RunDialogs</name>
    <message>
        <source>Choose a folder</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Existing files in selected path may be overwritten, are you sure to continue?</source>
        <translation>Vorhandene Dateien im gewählten Ordner werden möglicherweise überschrieben. Wirklich fortfahren?</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Fortfahren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Never show again</source>
        <translation>Nicht mehr anzeigen</translation>
    </message>
    <message>
        <source>Okay</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>SkipReasons</name>
    <message>
        <source>could not be written: %1 in the output folder is a link or a file, not a folder</source>
        <translation>konnte nicht geschrieben werden: %1 im Ausgabeordner ist eine Verknüpfung oder eine Datei, kein Ordner</translation>
    </message>
    <message>
        <source>not found</source>
        <translation>nicht gefunden</translation>
    </message>
    <message>
        <source>could not be read: %1</source>
        <translation>konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>keine reguläre Datei</translation>
    </message>
    <message>
        <source>empty file</source>
        <translation>leere Datei</translation>
    </message>
    <message>
        <source>too large (%1; files above %2 are not read)</source>
        <translation>zu groß (%1; Dateien über %2 werden nicht gelesen)</translation>
    </message>
    <message>
        <source>not a supported image</source>
        <translation>kein unterstütztes Bildformat</translation>
    </message>
    <message>
        <source>could not be decoded</source>
        <translation>konnte nicht dekodiert werden</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>nicht genügend Arbeitsspeicher</translation>
    </message>
    <message>
        <source>not enough memory: it needs about %1 MB, the memory limit is %2 MB</source>
        <translation>nicht genügend Arbeitsspeicher: benötigt etwa %1 MB, die Speichergrenze liegt bei %2 MB</translation>
    </message>
    <message>
        <source>could not be written: %1</source>
        <translation>konnte nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>a link to something that does not exist</source>
        <translation>eine Verknüpfung auf etwas, das nicht existiert</translation>
    </message>
    <message>
        <source>a link to %1, which has no image extension</source>
        <translation>eine Verknüpfung auf %1, das keine Bild-Endung hat</translation>
    </message>
    <message>
        <source>a link to a folder, not followed (name it to include it)</source>
        <translation>eine Verknüpfung auf einen Ordner, nicht verfolgt (zum Einbeziehen direkt angeben)</translation>
    </message>
    <message>
        <source>a link to a file outside the folder</source>
        <translation>eine Verknüpfung auf eine Datei außerhalb des Ordners</translation>
    </message>
    <message>
        <source>could not be listed: %1</source>
        <translation>konnte nicht aufgelistet werden: %1</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>unterbrochen</translation>
    </message>
</context>
<context>
    <name>WindowTexts</name>
    <message>
        <source>Kept without re-encoding: %1.</source>
        <translation>Ohne Neukodierung übernommen: %1.</translation>
    </message>
    <message>
        <source>; subfolders are not searched</source>
        <translation>; Unterordner werden nicht durchsucht</translation>
    </message>
    <message>
        <source>1 clean copy</source>
        <translation>1 bereinigte Kopie</translation>
    </message>
    <message numerus="yes">
        <source>%n clean copies</source>
        <translation>
            <numerusform>%n bereinigte Kopie</numerusform>
            <numerusform>%n bereinigte Kopien</numerusform>
        </translation>
    </message>
    <message>
        <source>1 file</source>
        <translation>1 Datei</translation>
    </message>
    <message numerus="yes">
        <source>%n files</source>
        <translation>
            <numerusform>%n Datei</numerusform>
            <numerusform>%n Dateien</numerusform>
        </translation>
    </message>
    <message>
        <source>No images found in %1</source>
        <translation>Keine Bilder in %1 gefunden</translation>
    </message>
    <message numerus="yes">
        <source>No images found among the %n dropped items</source>
        <translation>
            <numerusform>Keine Bilder im %n abgelegten Element gefunden</numerusform>
            <numerusform>Keine Bilder unter den %n abgelegten Elementen gefunden</numerusform>
        </translation>
    </message>
    <message>
        <source>The image found is already in the list</source>
        <translation>Das gefundene Bild ist bereits in der Liste</translation>
    </message>
    <message numerus="yes">
        <source>The %n images found are already in the list</source>
        <translation>
            <numerusform>Das %n gefundene Bild ist bereits in der Liste</numerusform>
            <numerusform>Die %n gefundenen Bilder sind bereits in der Liste</numerusform>
        </translation>
    </message>
    <message>
        <source>Clean Copies</source>
        <translation>Bereinigte Kopien</translation>
    </message>
    <message>
        <source>Cancelled after %1 of %2</source>
        <translation>Abgebrochen nach %1 von %2</translation>
    </message>
    <message>
        <source>No clean copies written</source>
        <translation>Keine bereinigten Kopien geschrieben</translation>
    </message>
    <message>
        <source>1 copy written, checked: nothing personal</source>
        <translation>1 Kopie geschrieben, geprüft: nichts Persönliches</translation>
    </message>
    <message numerus="yes">
        <source>%n copies written, each checked: nothing personal</source>
        <translation>
            <numerusform>%n Kopie geschrieben, geprüft: nichts Persönliches</numerusform>
            <numerusform>%n Kopien geschrieben, jede geprüft: nichts Persönliches</numerusform>
        </translation>
    </message>
    <message>
        <source>%1; %2 skipped</source>
        <translation>%1; %2 übersprungen</translation>
    </message>
    <message>
        <source>Nothing was written to %1.</source>
        <translation>Nichts wurde in %1 geschrieben.</translation>
    </message>
    <message>
        <source>%1 written to %2.</source>
        <translation>%1 in %2 geschrieben.</translation>
    </message>
    <message>
        <source>Saved in %1.</source>
        <translation>Gespeichert in %1.</translation>
    </message>
    <message>
        <source>The remaining file was not started.</source>
        <translation>Die verbleibende Datei wurde nicht mehr bearbeitet.</translation>
    </message>
    <message numerus="yes">
        <source>The remaining %n files were not started.</source>
        <translation>
            <numerusform>Die verbleibende %n Datei wurde nicht mehr bearbeitet.</numerusform>
            <numerusform>Die verbleibenden %n Dateien wurden nicht mehr bearbeitet.</numerusform>
        </translation>
    </message>
    <message>
        <source>Files not written, and notes on the copies:</source>
        <translation>Nicht geschriebene Dateien und Hinweise zu den Kopien:</translation>
    </message>
    <message>
        <source>Notes on the copies:</source>
        <translation>Hinweise zu den Kopien:</translation>
    </message>
    <message>
        <source>This file was not written:</source>
        <translation>Diese Datei wurde nicht geschrieben:</translation>
    </message>
    <message numerus="yes">
        <source>These %n files were not written:</source>
        <translation>
            <numerusform>Diese %n Datei wurde nicht geschrieben:</numerusform>
            <numerusform>Diese %n Dateien wurden nicht geschrieben:</numerusform>
        </translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Not written</source>
        <translation>Nicht geschrieben</translation>
    </message>
    <message>
        <source>Written; %1</source>
        <translation>Geschrieben; %1</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>%1. %2</source>
        <translation>%1. %2</translation>
    </message>
    <message>
        <source>Could not open %1 in the file manager</source>
        <translation>%1 konnte nicht in der Dateiverwaltung geöffnet werden</translation>
    </message>
    <message>
        <source>%1 is not a JPEG, PNG, GIF, BMP, TIFF, HEIC, AVIF or WebP file</source>
        <translation>%1 ist keine JPEG-, PNG-, GIF-, BMP-, TIFF-, HEIC-, AVIF- oder WebP-Datei</translation>
    </message>
</context>
</TS>
