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
    <name>ConfinementReport</name>
    <message>
        <source>not confined</source>
        <translation>nicht abgeschirmt</translation>
    </message>
    <message>
        <source>not confined: %1</source>
        <translation>nicht abgeschirmt: %1</translation>
    </message>
    <message>
        <source>confined: %1</source>
        <translation>abgeschirmt: %1</translation>
    </message>
</context>
<context>
    <name>ConversionReasons</name>
    <message>
        <source>no GIF header</source>
        <translation>kein GIF-Kopf</translation>
    </message>
    <message>
        <source>the colour table is cut short</source>
        <translation>die Farbtabelle bricht ab</translation>
    </message>
    <message>
        <source>an extension is cut short</source>
        <translation>eine Erweiterung bricht ab</translation>
    </message>
    <message>
        <source>a frame&apos;s timing is damaged</source>
        <translation>die Zeitangabe eines Einzelbilds ist beschädigt</translation>
    </message>
    <message>
        <source>a frame is cut short</source>
        <translation>ein Einzelbild bricht ab</translation>
    </message>
    <message>
        <source>more than %1 frames</source>
        <translation>mehr als %1 Einzelbilder</translation>
    </message>
    <message>
        <source>frame %1 is empty</source>
        <translation>Einzelbild %1 ist leer</translation>
    </message>
    <message>
        <source>its frames hold too many pixels</source>
        <translation>seine Einzelbilder enthalten zu viele Pixel</translation>
    </message>
    <message>
        <source>frame %1 is cut short</source>
        <translation>Einzelbild %1 bricht ab</translation>
    </message>
    <message>
        <source>frame %1 has no colour table</source>
        <translation>Einzelbild %1 hat keine Farbtabelle</translation>
    </message>
    <message>
        <source>frame %1&apos;s image data is damaged</source>
        <translation>die Bilddaten von Einzelbild %1 sind beschädigt</translation>
    </message>
    <message>
        <source>frame %1&apos;s image data ends early</source>
        <translation>die Bilddaten von Einzelbild %1 enden zu früh</translation>
    </message>
    <message>
        <source>frame %1 draws colours its table lacks</source>
        <translation>Einzelbild %1 verwendet Farben, die in seiner Tabelle fehlen</translation>
    </message>
    <message>
        <source>data between blocks</source>
        <translation>Daten zwischen den Blöcken</translation>
    </message>
    <message>
        <source>no image to write</source>
        <translation>kein Bild zum Schreiben</translation>
    </message>
    <message>
        <source>image too large for a GIF (%1 x %2 pixels)</source>
        <translation>Bild zu groß für ein GIF (%1 × %2 Pixel)</translation>
    </message>
    <message>
        <source>the colours could not be reduced to a GIF palette</source>
        <translation>die Farben ließen sich nicht auf eine GIF-Palette reduzieren</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Nicht genug Arbeitsspeicher</translation>
    </message>
    <message>
        <source>The image has no size this program decodes</source>
        <translation>Das Bild hat keine Größe, die dieses Programm dekodiert</translation>
    </message>
    <message>
        <source>libheif decoded the image at an unexpected size</source>
        <translation>libheif hat das Bild in einer unerwarteten Größe dekodiert</translation>
    </message>
    <message>
        <source>libheif decoded the image in an unexpected layout</source>
        <translation>libheif hat das Bild in einer unerwarteten Anordnung dekodiert</translation>
    </message>
    <message>
        <source>The image&apos;s colours are not coded as a JPEG&apos;s</source>
        <translation>Die Farben des Bildes sind nicht wie die eines JPEG kodiert</translation>
    </message>
    <message>
        <source>Nothing to write</source>
        <translation>Nichts zu schreiben</translation>
    </message>
    <message>
        <source>The image is too large for a HEIF file</source>
        <translation>Das Bild ist zu groß für eine HEIF-Datei</translation>
    </message>
    <message>
        <source>its images are coded in more than one way</source>
        <translation>seine Bilder sind auf mehr als eine Art kodiert</translation>
    </message>
    <message>
        <source>it is coded as %1, not as its name&apos;s type</source>
        <translation>es ist als %1 kodiert, nicht im Typ seines Namens</translation>
    </message>
    <message>
        <source>its structure cannot be read</source>
        <translation>sein Aufbau lässt sich nicht lesen</translation>
    </message>
    <message>
        <source>it refers to an image it does not hold</source>
        <translation>es verweist auf ein Bild, das es nicht enthält</translation>
    </message>
    <message>
        <source>its grid has %1 tiles</source>
        <translation>sein Raster hat %1 Kacheln</translation>
    </message>
    <message>
        <source>its grid is made of images of another kind</source>
        <translation>sein Raster besteht aus Bildern anderer Art</translation>
    </message>
    <message>
        <source>its image is an item of type &apos;%1&apos;, which is copied only by decoding it</source>
        <translation>sein Bild ist ein Element vom Typ „%1“, das nur durch Dekodieren kopiert wird</translation>
    </message>
    <message>
        <source>its image has more than one alpha channel</source>
        <translation>sein Bild hat mehr als einen Alphakanal</translation>
    </message>
    <message>
        <source>its alpha channel is also part of its image</source>
        <translation>sein Alphakanal ist zugleich Teil seines Bildes</translation>
    </message>
    <message>
        <source>an image has a property this program does not copy (&apos;%1&apos;)</source>
        <translation>ein Bild hat eine Eigenschaft, die dieses Programm nicht kopiert („%1“)</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>fehlt</translation>
    </message>
    <message>
        <source>an image has too many properties</source>
        <translation>ein Bild hat zu viele Eigenschaften</translation>
    </message>
    <message>
        <source>an image&apos;s rotation or mirroring is damaged</source>
        <translation>die Drehung oder Spiegelung eines Bildes ist beschädigt</translation>
    </message>
    <message>
        <source>an image&apos;s crop or pixel shape is damaged</source>
        <translation>der Zuschnitt oder die Pixelform eines Bildes ist beschädigt</translation>
    </message>
    <message>
        <source>an HEVC image&apos;s configuration is damaged</source>
        <translation>die Konfiguration eines HEVC-Bildes ist beschädigt</translation>
    </message>
    <message>
        <source>an HEVC image&apos;s configuration holds units of unknown kinds</source>
        <translation>die Konfiguration eines HEVC-Bildes enthält Einheiten unbekannter Art</translation>
    </message>
    <message>
        <source>an AV1 image&apos;s configuration is damaged</source>
        <translation>die Konfiguration eines AV1-Bildes ist beschädigt</translation>
    </message>
    <message>
        <source>an image&apos;s size is damaged</source>
        <translation>die Größenangabe eines Bildes ist beschädigt</translation>
    </message>
    <message>
        <source>an image&apos;s channel description is damaged</source>
        <translation>die Kanalbeschreibung eines Bildes ist beschädigt</translation>
    </message>
    <message>
        <source>an image&apos;s colour description is damaged</source>
        <translation>die Farbbeschreibung eines Bildes ist beschädigt</translation>
    </message>
    <message>
        <source>an HEVC image has no configuration</source>
        <translation>ein HEVC-Bild hat keine Konfiguration</translation>
    </message>
    <message>
        <source>an image&apos;s coded data holds units of unknown kinds</source>
        <translation>die kodierten Daten eines Bildes enthalten Einheiten unbekannter Art</translation>
    </message>
    <message>
        <source>an image&apos;s coded data does not read as whole units</source>
        <translation>die kodierten Daten eines Bildes lassen sich nicht als ganze Einheiten lesen</translation>
    </message>
    <message>
        <source>a grid&apos;s description is damaged</source>
        <translation>die Beschreibung eines Rasters ist beschädigt</translation>
    </message>
    <message>
        <source>its images&apos; data overlap</source>
        <translation>die Daten seiner Bilder überlappen sich</translation>
    </message>
    <message>
        <source>its file type box is of a kind this program does not copy</source>
        <translation>sein Dateityp-Feld ist von einer Art, die dieses Programm nicht kopiert</translation>
    </message>
    <message>
        <source>it has too many images or properties</source>
        <translation>es hat zu viele Bilder oder Eigenschaften</translation>
    </message>
    <message>
        <source>it is too large to copy</source>
        <translation>es ist zu groß zum Kopieren</translation>
    </message>
    <message>
        <source>the JPEG could not be encoded</source>
        <translation>das JPEG konnte nicht kodiert werden</translation>
    </message>
    <message>
        <source>image too large for a JPEG (%1 x %2 pixels)</source>
        <translation>Bild zu groß für ein JPEG (%1 × %2 Pixel)</translation>
    </message>
    <message>
        <source>EXIF block too large for a JPEG</source>
        <translation>EXIF-Block zu groß für ein JPEG</translation>
    </message>
    <message>
        <source>colour profile too large for a JPEG</source>
        <translation>Farbprofil zu groß für ein JPEG</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>nicht genug Arbeitsspeicher</translation>
    </message>
    <message>
        <source>no output file</source>
        <translation>keine Ausgabedatei</translation>
    </message>
    <message>
        <source>empty file</source>
        <translation>leere Datei</translation>
    </message>
    <message>
        <source>not a readable JPEG: %1</source>
        <translation>kein lesbares JPEG: %1</translation>
    </message>
    <message>
        <source>image too large (%1 x %2 pixels)</source>
        <translation>Bild zu groß (%1 × %2 Pixel)</translation>
    </message>
    <message>
        <source>truncated JPEG: far too little data for %1 x %2 pixels</source>
        <translation>abgeschnittenes JPEG: viel zu wenig Daten für %1 × %2 Pixel</translation>
    </message>
    <message>
        <source>%1 x %2 pixels is not a whole number of JPEG blocks for this turn</source>
        <translation>%1 × %2 Pixel sind für diese Drehung keine ganze Zahl von JPEG-Blöcken</translation>
    </message>
    <message>
        <source>not enough memory for %1 x %2 pixels</source>
        <translation>nicht genug Arbeitsspeicher für %1 × %2 Pixel</translation>
    </message>
    <message>
        <source>DCT coefficients out of range for an 8-bit JPEG</source>
        <translation>DCT-Koeffizienten außerhalb des Bereichs eines 8-Bit-JPEG</translation>
    </message>
    <message>
        <source>progressive JPEG whose scans leave coefficients unrefined</source>
        <translation>progressives JPEG, dessen Durchläufe Koeffizienten unverfeinert lassen</translation>
    </message>
    <message>
        <source>JPEG whose scans change a quantisation table</source>
        <translation>JPEG, dessen Durchläufe eine Quantisierungstabelle ändern</translation>
    </message>
    <message>
        <source>truncated or corrupt JPEG data</source>
        <translation>abgeschnittene oder beschädigte JPEG-Daten</translation>
    </message>
    <message>
        <source>truncated or corrupt JPEG data: %1</source>
        <translation>abgeschnittene oder beschädigte JPEG-Daten: %1</translation>
    </message>
    <message>
        <source>cannot write the output: %1</source>
        <translation>die Ausgabe kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>cannot write the coefficients: %1</source>
        <translation>die Koeffizienten können nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>its image data does not inflate to its rows</source>
        <translation>seine Bilddaten entpacken sich nicht zu seinen Zeilen</translation>
    </message>
    <message>
        <source>a row has an unknown filter</source>
        <translation>eine Zeile hat einen unbekannten Filter</translation>
    </message>
    <message>
        <source>a pixel&apos;s colour lies outside the palette</source>
        <translation>die Farbe eines Pixels liegt außerhalb der Palette</translation>
    </message>
    <message>
        <source>its image data could not be compressed</source>
        <translation>seine Bilddaten konnten nicht komprimiert werden</translation>
    </message>
    <message>
        <source>no PNG signature</source>
        <translation>keine PNG-Signatur</translation>
    </message>
    <message>
        <source>the file is cut short</source>
        <translation>die Datei bricht ab</translation>
    </message>
    <message>
        <source>the image header is damaged</source>
        <translation>der Bildkopf ist beschädigt</translation>
    </message>
    <message>
        <source>a chunk is damaged</source>
        <translation>ein Abschnitt ist beschädigt</translation>
    </message>
    <message>
        <source>the animation control is damaged</source>
        <translation>die Animationssteuerung ist beschädigt</translation>
    </message>
    <message>
        <source>a frame control is damaged</source>
        <translation>die Steuerung eines Einzelbilds ist beschädigt</translation>
    </message>
    <message>
        <source>the image data is split</source>
        <translation>die Bilddaten sind aufgeteilt</translation>
    </message>
    <message>
        <source>the image data comes after a frame</source>
        <translation>die Bilddaten folgen auf ein Einzelbild</translation>
    </message>
    <message>
        <source>frame data out of place</source>
        <translation>Einzelbilddaten an falscher Stelle</translation>
    </message>
    <message>
        <source>it holds %1 frames where it states %2</source>
        <translation>es enthält %1 Einzelbilder, gibt aber %2 an</translation>
    </message>
    <message>
        <source>it has no image data</source>
        <translation>es hat keine Bilddaten</translation>
    </message>
    <message>
        <source>a frame has no image data</source>
        <translation>ein Einzelbild hat keine Bilddaten</translation>
    </message>
    <message>
        <source>a frame lies outside the image</source>
        <translation>ein Einzelbild liegt außerhalb des Bildes</translation>
    </message>
    <message>
        <source>the first frame does not fill the image</source>
        <translation>das erste Einzelbild füllt das Bild nicht aus</translation>
    </message>
    <message>
        <source>the palette is damaged</source>
        <translation>die Palette ist beschädigt</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>nicht genug Arbeitsspeicher</translation>
    </message>
    <message>
        <source>frame %1: %2</source>
        <translation>Einzelbild %1: %2</translation>
    </message>
    <message>
        <source>the image could not be encoded</source>
        <translation>das Bild konnte nicht kodiert werden</translation>
    </message>
    <message>
        <source>The file is cut short</source>
        <translation>Die Datei bricht ab</translation>
    </message>
    <message>
        <source>The image uses a WebP feature this program does not read</source>
        <translation>Das Bild nutzt eine WebP-Funktion, die dieses Programm nicht liest</translation>
    </message>
    <message>
        <source>The image data is damaged</source>
        <translation>Die Bilddaten sind beschädigt</translation>
    </message>
    <message>
        <source>Not a WebP file</source>
        <translation>Keine WebP-Datei</translation>
    </message>
    <message>
        <source>The WebP file is damaged</source>
        <translation>Die WebP-Datei ist beschädigt</translation>
    </message>
    <message>
        <source>The image is %1 by %2 pixels: more than this program decodes</source>
        <translation>Das Bild hat %1 × %2 Pixel: mehr, als dieses Programm dekodiert</translation>
    </message>
    <message>
        <source>The WebP file holds no image</source>
        <translation>Die WebP-Datei enthält kein Bild</translation>
    </message>
    <message>
        <source>The WebP decoder cannot be set up</source>
        <translation>Der WebP-Decoder lässt sich nicht einrichten</translation>
    </message>
    <message>
        <source>The image is too large for a WebP file</source>
        <translation>Das Bild ist zu groß für eine WebP-Datei</translation>
    </message>
    <message>
        <source>The image makes a WebP file larger than the format allows</source>
        <translation>Das Bild ergibt eine WebP-Datei, die größer ist, als das Format erlaubt</translation>
    </message>
    <message>
        <source>libwebp cannot encode the image</source>
        <translation>libwebp kann das Bild nicht kodieren</translation>
    </message>
    <message>
        <source>libwebp cannot be set up</source>
        <translation>libwebp lässt sich nicht einrichten</translation>
    </message>
    <message>
        <source>libwebp refuses its settings</source>
        <translation>libwebp lehnt die Einstellungen ab</translation>
    </message>
    <message>
        <source>libwebp cannot add the colour profile</source>
        <translation>libwebp kann das Farbprofil nicht hinzufügen</translation>
    </message>
    <message>
        <source>a chunk runs past the end of %1</source>
        <translation>ein Abschnitt reicht über das Ende von %1 hinaus</translation>
    </message>
    <message>
        <source>an alpha chunk out of place</source>
        <translation>ein Alpha-Abschnitt an falscher Stelle</translation>
    </message>
    <message>
        <source>more than one image in a picture</source>
        <translation>mehr als ein Bild in einer Grafik</translation>
    </message>
    <message>
        <source>an alpha chunk beside a lossless image</source>
        <translation>ein Alpha-Abschnitt neben einem verlustfreien Bild</translation>
    </message>
    <message>
        <source>an image header that cannot be read</source>
        <translation>ein Bildkopf, der sich nicht lesen lässt</translation>
    </message>
    <message>
        <source>a frame header cut short</source>
        <translation>ein abgebrochener Einzelbildkopf</translation>
    </message>
    <message>
        <source>a frame outside the canvas</source>
        <translation>ein Einzelbild außerhalb der Zeichenfläche</translation>
    </message>
    <message>
        <source>a frame without an image</source>
        <translation>ein Einzelbild ohne Bild</translation>
    </message>
    <message>
        <source>a frame whose image is not of its stated size</source>
        <translation>ein Einzelbild, dessen Bild nicht die angegebene Größe hat</translation>
    </message>
    <message>
        <source>a second VP8X chunk</source>
        <translation>ein zweiter VP8X-Abschnitt</translation>
    </message>
    <message>
        <source>frames in a file not marked as an animation</source>
        <translation>Einzelbilder in einer Datei, die nicht als Animation gekennzeichnet ist</translation>
    </message>
    <message>
        <source>a still image&apos;s chunk in an animation</source>
        <translation>der Abschnitt eines Standbilds in einer Animation</translation>
    </message>
    <message>
        <source>an animation header out of place or cut short</source>
        <translation>ein Animationskopf an falscher Stelle oder abgebrochen</translation>
    </message>
    <message>
        <source>a frame before the animation header</source>
        <translation>ein Einzelbild vor dem Animationskopf</translation>
    </message>
    <message>
        <source>an animation without frames</source>
        <translation>eine Animation ohne Einzelbilder</translation>
    </message>
    <message>
        <source>no image</source>
        <translation>kein Bild</translation>
    </message>
    <message>
        <source>an image whose size is not the canvas</source>
        <translation>ein Bild, dessen Größe nicht der Zeichenfläche entspricht</translation>
    </message>
    <message>
        <source>not a WebP file</source>
        <translation>keine WebP-Datei</translation>
    </message>
    <message>
        <source>an odd RIFF size</source>
        <translation>eine ungerade RIFF-Größe</translation>
    </message>
    <message>
        <source>a RIFF size past the end of the file</source>
        <translation>eine RIFF-Größe über das Dateiende hinaus</translation>
    </message>
    <message>
        <source>no image or VP8X chunk first</source>
        <translation>kein Bild- oder VP8X-Abschnitt am Anfang</translation>
    </message>
    <message>
        <source>a VP8X chunk cut short</source>
        <translation>ein abgebrochener VP8X-Abschnitt</translation>
    </message>
    <message>
        <source>a canvas larger than the format allows</source>
        <translation>eine Zeichenfläche, größer als das Format erlaubt</translation>
    </message>
    <message>
        <source>the copy would be larger than the format allows</source>
        <translation>die Kopie wäre größer, als das Format erlaubt</translation>
    </message>
    <message>
        <source>the copy could not be written</source>
        <translation>die Kopie konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>its frames would have to be turned upright</source>
        <translation>seine Einzelbilder müssten aufgerichtet werden</translation>
    </message>
    <message>
        <source>could not be read</source>
        <translation>konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>turned upright</source>
        <translation>aufgerichtet</translation>
    </message>
    <message>
        <source>the picture does not decode: %1</source>
        <translation>das Bild lässt sich nicht dekodieren: %1</translation>
    </message>
    <message>
        <source>the metadata could not be written</source>
        <translation>die Metadaten konnten nicht geschrieben werden</translation>
    </message>
    <message>
        <source>a file of that name exists</source>
        <translation>eine Datei dieses Namens existiert bereits</translation>
    </message>
    <message>
        <source>the image could not be decoded</source>
        <translation>das Bild konnte nicht dekodiert werden</translation>
    </message>
    <message>
        <source>more than %1 pages</source>
        <translation>mehr als %1 Seiten</translation>
    </message>
    <message>
        <source>the pages together are too large</source>
        <translation>die Seiten sind zusammen zu groß</translation>
    </message>
    <message>
        <source>page %1 could not be decoded</source>
        <translation>Seite %1 konnte nicht dekodiert werden</translation>
    </message>
    <message>
        <source>page %1 could not be drawn</source>
        <translation>Seite %1 konnte nicht gezeichnet werden</translation>
    </message>
    <message>
        <source>Part of the image data is missing from the file</source>
        <translation>Ein Teil der Bilddaten fehlt in der Datei</translation>
    </message>
    <message>
        <source>The &apos;meta&apos; box is damaged</source>
        <translation>Das „meta“-Feld ist beschädigt</translation>
    </message>
    <message>
        <source>A box in the &apos;meta&apos; box runs past its end</source>
        <translation>Ein Feld im „meta“-Feld reicht über dessen Ende hinaus</translation>
    </message>
    <message>
        <source>The file names no primary image</source>
        <translation>Die Datei nennt kein Hauptbild</translation>
    </message>
    <message>
        <source>The primary image is not among the file&apos;s items</source>
        <translation>Das Hauptbild ist nicht unter den Elementen der Datei</translation>
    </message>
    <message>
        <source>The &apos;%1&apos; box is damaged</source>
        <translation>Das „%1“-Feld ist beschädigt</translation>
    </message>
    <message>
        <source>The file has too many items</source>
        <translation>Die Datei hat zu viele Elemente</translation>
    </message>
    <message>
        <source>The &apos;iloc&apos; box has an unknown version</source>
        <translation>Das „iloc“-Feld hat eine unbekannte Version</translation>
    </message>
    <message>
        <source>An item of the file has too many parts</source>
        <translation>Ein Element der Datei hat zu viele Teile</translation>
    </message>
    <message>
        <source>An image of the file has no data</source>
        <translation>Ein Bild der Datei hat keine Daten</translation>
    </message>
    <message>
        <source>An image of the file is stored in a way this program does not read</source>
        <translation>Ein Bild der Datei ist auf eine Art gespeichert, die dieses Programm nicht liest</translation>
    </message>
    <message>
        <source>An image&apos;s data lies outside its box</source>
        <translation>Die Daten eines Bildes liegen außerhalb seines Feldes</translation>
    </message>
    <message>
        <source>An image&apos;s data is larger than the file</source>
        <translation>Die Daten eines Bildes sind größer als die Datei</translation>
    </message>
    <message>
        <source>Not a HEIF file</source>
        <translation>Keine HEIF-Datei</translation>
    </message>
    <message>
        <source>Not a HEIF image file</source>
        <translation>Keine HEIF-Bilddatei</translation>
    </message>
    <message>
        <source>The file has two &apos;meta&apos; boxes</source>
        <translation>Die Datei hat zwei „meta“-Felder</translation>
    </message>
    <message>
        <source>The file holds a box of an impossible size</source>
        <translation>Die Datei enthält ein Feld unmöglicher Größe</translation>
    </message>
    <message>
        <source>The file holds no still image</source>
        <translation>Die Datei enthält kein Standbild</translation>
    </message>
    <message>
        <source>Decoding the image would take more pixels than this program decodes</source>
        <translation>Das Dekodieren des Bildes bräuchte mehr Pixel, als dieses Programm dekodiert</translation>
    </message>
    <message>
        <source>The primary image holds no coded image</source>
        <translation>Das Hauptbild enthält kein kodiertes Bild</translation>
    </message>
    <message>
        <source>The file&apos;s images are nested too deeply</source>
        <translation>Die Bilder der Datei sind zu tief verschachtelt</translation>
    </message>
    <message>
        <source>The file&apos;s item references form a loop</source>
        <translation>Die Verweise zwischen den Elementen der Datei bilden eine Schleife</translation>
    </message>
    <message>
        <source>The file refers to an image it does not hold</source>
        <translation>Die Datei verweist auf ein Bild, das sie nicht enthält</translation>
    </message>
    <message>
        <source>The image is encrypted</source>
        <translation>Das Bild ist verschlüsselt</translation>
    </message>
    <message>
        <source>The image is coded as &apos;%1&apos;, which this program does not decode</source>
        <translation>Das Bild ist als „%1“ kodiert, was dieses Programm nicht dekodiert</translation>
    </message>
    <message>
        <source>An image of the file states no size</source>
        <translation>Ein Bild der Datei gibt keine Größe an</translation>
    </message>
    <message>
        <source>An image&apos;s coded size does not match its stated size</source>
        <translation>Die kodierte Größe eines Bildes passt nicht zur angegebenen</translation>
    </message>
    <message>
        <source>An HEVC image of the file has no decoder configuration</source>
        <translation>Ein HEVC-Bild der Datei hat keine Decoder-Konfiguration</translation>
    </message>
    <message>
        <source>An HEVC image of the file has a damaged configuration</source>
        <translation>Ein HEVC-Bild der Datei hat eine beschädigte Konfiguration</translation>
    </message>
    <message>
        <source>An HEVC image of the file is damaged</source>
        <translation>Ein HEVC-Bild der Datei ist beschädigt</translation>
    </message>
    <message>
        <source>An HEVC image of the file has no sequence parameter set</source>
        <translation>Ein HEVC-Bild der Datei hat keinen Sequenzparametersatz</translation>
    </message>
    <message>
        <source>An AV1 image of the file has no decoder configuration</source>
        <translation>Ein AV1-Bild der Datei hat keine Decoder-Konfiguration</translation>
    </message>
    <message>
        <source>An AV1 image of the file is damaged</source>
        <translation>Ein AV1-Bild der Datei ist beschädigt</translation>
    </message>
    <message>
        <source>An AV1 image of the file has no sequence header</source>
        <translation>Ein AV1-Bild der Datei hat keinen Sequenzkopf</translation>
    </message>
    <message>
        <source>A derived image of the file has no single source</source>
        <translation>Ein abgeleitetes Bild der Datei hat keine eindeutige Quelle</translation>
    </message>
    <message>
        <source>A grid or overlay of the file is damaged</source>
        <translation>Ein Raster oder eine Überlagerung der Datei ist beschädigt</translation>
    </message>
    <message>
        <source>The file ends before its pixels do</source>
        <translation>Die Datei endet vor ihren letzten Pixeln</translation>
    </message>
    <message>
        <source>The image is too large: %1 x %2 pixels</source>
        <translation>Das Bild ist zu groß: %1 × %2 Pixel</translation>
    </message>
    <message>
        <source>The file is far too small for %1 x %2 pixels</source>
        <translation>Die Datei ist viel zu klein für %1 × %2 Pixel</translation>
    </message>
    <message>
        <source>It holds no image of a usable size</source>
        <translation>Sie enthält kein Bild brauchbarer Größe</translation>
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
    <name>ExifValues</name>
    <message>
        <source>Not defined</source>
        <translation>Nicht festgelegt</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuell</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Aperture priority</source>
        <translation>Blendenpriorität</translation>
    </message>
    <message>
        <source>Shutter priority</source>
        <translation>Zeitpriorität</translation>
    </message>
    <message>
        <source>Creative program</source>
        <translation>Kreativprogramm</translation>
    </message>
    <message>
        <source>Action program</source>
        <translation>Sportprogramm</translation>
    </message>
    <message>
        <source>Portrait mode</source>
        <translation>Porträtmodus</translation>
    </message>
    <message>
        <source>Landscape mode</source>
        <translation>Landschaftsmodus</translation>
    </message>
    <message>
        <source>Average</source>
        <translation>Integral</translation>
    </message>
    <message>
        <source>Center weighted average</source>
        <translation>Mittenbetont</translation>
    </message>
    <message>
        <source>Spot</source>
        <translation>Spot</translation>
    </message>
    <message>
        <source>Multi-spot</source>
        <translation>Mehrfeld-Spot</translation>
    </message>
    <message>
        <source>Multi-segment</source>
        <translation>Mehrfeld</translation>
    </message>
    <message>
        <source>Partial</source>
        <translation>Selektiv</translation>
    </message>
    <message>
        <source>Daylight</source>
        <translation>Tageslicht</translation>
    </message>
    <message>
        <source>Fluorescent</source>
        <translation>Leuchtstofflampe</translation>
    </message>
    <message>
        <source>Tungsten (incandescent light)</source>
        <translation>Glühlampe</translation>
    </message>
    <message>
        <source>Flash</source>
        <translation>Blitz</translation>
    </message>
    <message>
        <source>Fine weather</source>
        <translation>Sonnig</translation>
    </message>
    <message>
        <source>Cloudy weather</source>
        <translation>Bewölkt</translation>
    </message>
    <message>
        <source>Shade</source>
        <translation>Schatten</translation>
    </message>
    <message>
        <source>Daylight fluorescent (D 5700 - 7100K)</source>
        <translation>Tageslicht-Leuchtstofflampe (D 5700–7100 K)</translation>
    </message>
    <message>
        <source>Day white fluorescent (N 4600 - 5400K)</source>
        <translation>Neutralweiße Leuchtstofflampe (N 4600–5400 K)</translation>
    </message>
    <message>
        <source>Cool white fluorescent (W 3900 - 4500K)</source>
        <translation>Kaltweiße Leuchtstofflampe (W 3900–4500 K)</translation>
    </message>
    <message>
        <source>White fluorescent (WW 3200 - 3700K)</source>
        <translation>Weiße Leuchtstofflampe (WW 3200–3700 K)</translation>
    </message>
    <message>
        <source>Standard light A</source>
        <translation>Normlicht A</translation>
    </message>
    <message>
        <source>Standard light B</source>
        <translation>Normlicht B</translation>
    </message>
    <message>
        <source>Standard light C</source>
        <translation>Normlicht C</translation>
    </message>
    <message>
        <source>ISO studio tungsten</source>
        <translation>ISO-Studio-Kunstlicht</translation>
    </message>
    <message>
        <source>No flash</source>
        <translation>Kein Blitz</translation>
    </message>
    <message>
        <source>Fired</source>
        <translation>Ausgelöst</translation>
    </message>
    <message>
        <source>Fired, return light not detected</source>
        <translation>Ausgelöst, kein Rücklicht erkannt</translation>
    </message>
    <message>
        <source>Fired, return light detected</source>
        <translation>Ausgelöst, Rücklicht erkannt</translation>
    </message>
    <message>
        <source>Yes, did not fire</source>
        <translation>Ja, nicht ausgelöst</translation>
    </message>
    <message>
        <source>Yes, compulsory</source>
        <translation>Ja, erzwungen</translation>
    </message>
    <message>
        <source>Yes, compulsory, return light not detected</source>
        <translation>Ja, erzwungen, kein Rücklicht erkannt</translation>
    </message>
    <message>
        <source>Yes, compulsory, return light detected</source>
        <translation>Ja, erzwungen, Rücklicht erkannt</translation>
    </message>
    <message>
        <source>No, compulsory</source>
        <translation>Nein, erzwungen</translation>
    </message>
    <message>
        <source>No, did not fire, return light not detected</source>
        <translation>Nein, nicht ausgelöst, kein Rücklicht erkannt</translation>
    </message>
    <message>
        <source>No, auto</source>
        <translation>Nein, automatisch</translation>
    </message>
    <message>
        <source>Yes, auto</source>
        <translation>Ja, automatisch</translation>
    </message>
    <message>
        <source>Yes, auto, return light not detected</source>
        <translation>Ja, automatisch, kein Rücklicht erkannt</translation>
    </message>
    <message>
        <source>Yes, auto, return light detected</source>
        <translation>Ja, automatisch, Rücklicht erkannt</translation>
    </message>
    <message>
        <source>No flash function</source>
        <translation>Keine Blitzfunktion</translation>
    </message>
    <message>
        <source>Yes, red-eye reduction</source>
        <translation>Ja, Rote-Augen-Reduzierung</translation>
    </message>
    <message>
        <source>Yes, red-eye reduction, return light not detected</source>
        <translation>Ja, Rote-Augen-Reduzierung, kein Rücklicht erkannt</translation>
    </message>
    <message>
        <source>Yes, red-eye reduction, return light detected</source>
        <translation>Ja, Rote-Augen-Reduzierung, Rücklicht erkannt</translation>
    </message>
    <message>
        <source>Yes, compulsory, red-eye reduction</source>
        <translation>Ja, erzwungen, Rote-Augen-Reduzierung</translation>
    </message>
    <message>
        <source>Yes, compulsory, red-eye reduction, return light not detected</source>
        <translation>Ja, erzwungen, Rote-Augen-Reduzierung, kein Rücklicht erkannt</translation>
    </message>
    <message>
        <source>Yes, compulsory, red-eye reduction, return light detected</source>
        <translation>Ja, erzwungen, Rote-Augen-Reduzierung, Rücklicht erkannt</translation>
    </message>
    <message>
        <source>No, red-eye reduction</source>
        <translation>Nein, Rote-Augen-Reduzierung</translation>
    </message>
    <message>
        <source>No, auto, red-eye reduction</source>
        <translation>Nein, automatisch, Rote-Augen-Reduzierung</translation>
    </message>
    <message>
        <source>Yes, auto, red-eye reduction</source>
        <translation>Ja, automatisch, Rote-Augen-Reduzierung</translation>
    </message>
    <message>
        <source>Yes, auto, red-eye reduction, return light not detected</source>
        <translation>Ja, automatisch, Rote-Augen-Reduzierung, kein Rücklicht erkannt</translation>
    </message>
    <message>
        <source>Yes, auto, red-eye reduction, return light detected</source>
        <translation>Ja, automatisch, Rote-Augen-Reduzierung, Rücklicht erkannt</translation>
    </message>
    <message>
        <source>One-chip color area</source>
        <translation>Ein-Chip-Farbflächensensor</translation>
    </message>
    <message>
        <source>Two-chip color area</source>
        <translation>Zwei-Chip-Farbflächensensor</translation>
    </message>
    <message>
        <source>Three-chip color area</source>
        <translation>Drei-Chip-Farbflächensensor</translation>
    </message>
    <message>
        <source>Color sequential area</source>
        <translation>Farbsequenzieller Flächensensor</translation>
    </message>
    <message>
        <source>Trilinear sensor</source>
        <translation>Trilinearer Sensor</translation>
    </message>
    <message>
        <source>Color sequential linear</source>
        <translation>Farbsequenzieller Zeilensensor</translation>
    </message>
    <message>
        <source>Normal process</source>
        <translation>Normale Verarbeitung</translation>
    </message>
    <message>
        <source>Custom process</source>
        <translation>Benutzerdefinierte Verarbeitung</translation>
    </message>
    <message>
        <source>Auto bracket</source>
        <translation>Belichtungsreihe</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Landschaft</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Porträt</translation>
    </message>
    <message>
        <source>Night scene</source>
        <translation>Nachtaufnahme</translation>
    </message>
    <message>
        <source>Low gain up</source>
        <translation>Geringe Verstärkung</translation>
    </message>
    <message>
        <source>High gain up</source>
        <translation>Hohe Verstärkung</translation>
    </message>
    <message>
        <source>Low gain down</source>
        <translation>Geringe Abschwächung</translation>
    </message>
    <message>
        <source>High gain down</source>
        <translation>Hohe Abschwächung</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Soft</source>
        <translation>Weich</translation>
    </message>
    <message>
        <source>Hard</source>
        <translation>Hart</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Niedrig</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Macro</source>
        <translation>Makro</translation>
    </message>
    <message>
        <source>Close view</source>
        <translation>Nahaufnahme</translation>
    </message>
    <message>
        <source>Distant view</source>
        <translation>Fernaufnahme</translation>
    </message>
    <message>
        <source>Above sea level</source>
        <translation>Über dem Meeresspiegel</translation>
    </message>
    <message>
        <source>Below sea level</source>
        <translation>Unter dem Meeresspiegel</translation>
    </message>
    <message>
        <source>NonComposite</source>
        <translation>Kein zusammengesetztes Bild</translation>
    </message>
    <message>
        <source>GeneralComposite</source>
        <translation>Zusammengesetztes Bild</translation>
    </message>
    <message>
        <source>North</source>
        <translation>Nord</translation>
    </message>
    <message>
        <source>South</source>
        <translation>Süd</translation>
    </message>
    <message>
        <source>East</source>
        <translation>Ost</translation>
    </message>
    <message>
        <source>West</source>
        <translation>West</translation>
    </message>
    <message>
        <source>Measurement in progress</source>
        <translation>Messung läuft</translation>
    </message>
    <message>
        <source>Measurement Interoperability</source>
        <translation>Messung unterbrochen</translation>
    </message>
    <message>
        <source>Two-dimensional measurement</source>
        <translation>Zweidimensionale Messung</translation>
    </message>
    <message>
        <source>Three-dimensional measurement</source>
        <translation>Dreidimensionale Messung</translation>
    </message>
    <message>
        <source>True direction</source>
        <translation>Geografische Richtung</translation>
    </message>
    <message>
        <source>Magnetic direction</source>
        <translation>Magnetische Richtung</translation>
    </message>
    <message>
        <source>km/h</source>
        <translation>km/h</translation>
    </message>
    <message>
        <source>mph</source>
        <translation>mph</translation>
    </message>
    <message>
        <source>knots</source>
        <translation>Knoten</translation>
    </message>
    <message>
        <source>Kilometers</source>
        <translation>Kilometer</translation>
    </message>
    <message>
        <source>Miles</source>
        <translation>Meilen</translation>
    </message>
    <message>
        <source>Knots</source>
        <translation>Knoten</translation>
    </message>
    <message>
        <source>Without correction</source>
        <translation>Ohne Korrektur</translation>
    </message>
    <message>
        <source>Correction applied</source>
        <translation>Korrektur angewandt</translation>
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
    <name>MainNib</name>
    <message>
        <source>About Morvane</source>
        <translation>Über Morvane</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Morvane %1&lt;/b&gt;&lt;/p&gt;&lt;p&gt;Removes what photos give away about the people behind them.&lt;/p&gt;&lt;p&gt;Every image is read in a separate worker process that can reach no file, network or program: %2.&lt;/p&gt;&lt;p&gt;GNU General Public License, version 3 or later.&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Morvane %1&lt;/b&gt;&lt;/p&gt;&lt;p&gt;Entfernt, was Fotos über die Menschen dahinter verraten.&lt;/p&gt;&lt;p&gt;Jedes Bild wird in einem eigenen Arbeitsprozess gelesen, der keine Datei, kein Netz und kein Programm erreicht: %2.&lt;/p&gt;&lt;p&gt;GNU General Public License, Version 3 oder später.&lt;/p&gt;</translation>
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
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About Morvane</source>
        <translation>Ü&amp;ber Morvane</translation>
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
    <message>
        <source>Linked colour profile</source>
        <translation>Verknüpftes Farbprofil</translation>
    </message>
    <message>
        <source>Data between the header and the pixels</source>
        <translation>Daten zwischen Kopf und Pixeln</translation>
    </message>
    <message>
        <source>1 byte</source>
        <translation>1 Byte</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 Byte</translation>
    </message>
    <message>
        <source>Photoshop data</source>
        <translation>Photoshop-Daten</translation>
    </message>
    <message>
        <source>Thumbnail (Photoshop)</source>
        <translation>Vorschaubild (Photoshop)</translation>
    </message>
    <message>
        <source>Photoshop resources</source>
        <translation>Photoshop-Ressourcen</translation>
    </message>
    <message>
        <source>, with a JPEG image</source>
        <translation>, mit einem JPEG-Bild</translation>
    </message>
    <message>
        <source>, with %1 JPEG images</source>
        <translation>, mit %1 JPEG-Bildern</translation>
    </message>
    <message>
        <source>Data after the image</source>
        <translation>Daten nach dem Bild</translation>
    </message>
    <message>
        <source>Altitude reference</source>
        <translation>Höhenbezug</translation>
    </message>
    <message>
        <source>Area name</source>
        <translation>Gebietsname</translation>
    </message>
    <message>
        <source>Measurement precision</source>
        <translation>Messgenauigkeit</translation>
    </message>
    <message>
        <source>GPS date</source>
        <translation>GPS-Datum</translation>
    </message>
    <message>
        <source>Destination bearing</source>
        <translation>Zielrichtung</translation>
    </message>
    <message>
        <source>Destination bearing reference</source>
        <translation>Bezug der Zielrichtung</translation>
    </message>
    <message>
        <source>Destination distance</source>
        <translation>Entfernung zum Ziel</translation>
    </message>
    <message>
        <source>Destination distance unit</source>
        <translation>Entfernungseinheit des Ziels</translation>
    </message>
    <message>
        <source>Destination latitude</source>
        <translation>Breitengrad des Ziels</translation>
    </message>
    <message>
        <source>Destination latitude reference</source>
        <translation>Breitenbezug des Ziels</translation>
    </message>
    <message>
        <source>Destination longitude</source>
        <translation>Längengrad des Ziels</translation>
    </message>
    <message>
        <source>Destination longitude reference</source>
        <translation>Längenbezug des Ziels</translation>
    </message>
    <message>
        <source>Differential correction</source>
        <translation>Differenzialkorrektur</translation>
    </message>
    <message>
        <source>Horizontal positioning error</source>
        <translation>Horizontaler Positionsfehler</translation>
    </message>
    <message>
        <source>Image direction</source>
        <translation>Aufnahmerichtung</translation>
    </message>
    <message>
        <source>Image direction reference</source>
        <translation>Bezug der Aufnahmerichtung</translation>
    </message>
    <message>
        <source>Latitude</source>
        <translation>Breitengrad</translation>
    </message>
    <message>
        <source>Latitude reference</source>
        <translation>Breitenbezug</translation>
    </message>
    <message>
        <source>Longitude</source>
        <translation>Längengrad</translation>
    </message>
    <message>
        <source>Longitude reference</source>
        <translation>Längenbezug</translation>
    </message>
    <message>
        <source>Map datum</source>
        <translation>Geodätisches Datum</translation>
    </message>
    <message>
        <source>Measure mode</source>
        <translation>Messmodus</translation>
    </message>
    <message>
        <source>Positioning method</source>
        <translation>Ortungsverfahren</translation>
    </message>
    <message>
        <source>Satellites</source>
        <translation>Satelliten</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Geschwindigkeit</translation>
    </message>
    <message>
        <source>Speed unit</source>
        <translation>Geschwindigkeitseinheit</translation>
    </message>
    <message>
        <source>Receiver status</source>
        <translation>Empfängerstatus</translation>
    </message>
    <message>
        <source>Direction of movement</source>
        <translation>Bewegungsrichtung</translation>
    </message>
    <message>
        <source>Direction of movement reference</source>
        <translation>Bezug der Bewegungsrichtung</translation>
    </message>
    <message>
        <source>GPS version</source>
        <translation>GPS-Version</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Urheber</translation>
    </message>
    <message>
        <source>Battery level</source>
        <translation>Akkustand</translation>
    </message>
    <message>
        <source>Camera serial number</source>
        <translation>Seriennummer der Kamera</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Urheberrechtsvermerk</translation>
    </message>
    <message>
        <source>DNG private data</source>
        <translation>Private DNG-Daten</translation>
    </message>
    <message>
        <source>Document name</source>
        <translation>Dokumentname</translation>
    </message>
    <message>
        <source>Host computer</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>Image description</source>
        <translation>Bildbeschreibung</translation>
    </message>
    <message>
        <source>Image history</source>
        <translation>Bildverlauf</translation>
    </message>
    <message>
        <source>Image ID</source>
        <translation>Bild-ID</translation>
    </message>
    <message>
        <source>Image number</source>
        <translation>Bildnummer</translation>
    </message>
    <message>
        <source>Localised camera model</source>
        <translation>Lokalisiertes Kameramodell</translation>
    </message>
    <message>
        <source>Maker note safety</source>
        <translation>Sicherheit der Herstellerdaten</translation>
    </message>
    <message>
        <source>Subfile type</source>
        <translation>Art der Teildatei</translation>
    </message>
    <message>
        <source>Original raw file data</source>
        <translation>Ursprüngliche Rohdaten</translation>
    </message>
    <message>
        <source>Original raw file name</source>
        <translation>Ursprünglicher Name der Rohdatei</translation>
    </message>
    <message>
        <source>Page name</source>
        <translation>Seitenname</translation>
    </message>
    <message>
        <source>Predictor</source>
        <translation>Prädiktor</translation>
    </message>
    <message>
        <source>Preview application</source>
        <translation>Vorschauanwendung</translation>
    </message>
    <message>
        <source>Preview date</source>
        <translation>Vorschaudatum</translation>
    </message>
    <message>
        <source>Print image matching</source>
        <translation>Druckabgleich (PIM)</translation>
    </message>
    <message>
        <source>Processing software</source>
        <translation>Bearbeitungssoftware</translation>
    </message>
    <message>
        <source>Camera profile copyright</source>
        <translation>Urheberrecht des Kameraprofils</translation>
    </message>
    <message>
        <source>Camera profile name</source>
        <translation>Name des Kameraprofils</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Bewertung</translation>
    </message>
    <message>
        <source>Rating in percent</source>
        <translation>Bewertung in Prozent</translation>
    </message>
    <message>
        <source>Raw data unique ID</source>
        <translation>Eindeutige ID der Rohdaten</translation>
    </message>
    <message>
        <source>Security classification</source>
        <translation>Geheimhaltungsstufe</translation>
    </message>
    <message>
        <source>Self-timer mode</source>
        <translation>Selbstauslöser</translation>
    </message>
    <message>
        <source>Software</source>
        <translation>Software</translation>
    </message>
    <message>
        <source>Target printer</source>
        <translation>Zieldrucker</translation>
    </message>
    <message>
        <source>Time zone offset</source>
        <translation>Zeitzonenversatz</translation>
    </message>
    <message>
        <source>Unique camera model</source>
        <translation>Eindeutiges Kameramodell</translation>
    </message>
    <message>
        <source>Image title</source>
        <translation>Bildtitel</translation>
    </message>
    <message>
        <source>Photographer</source>
        <translation>Fotograf</translation>
    </message>
    <message>
        <source>Image editor</source>
        <translation>Bildbearbeiter</translation>
    </message>
    <message>
        <source>Acceleration</source>
        <translation>Beschleunigung</translation>
    </message>
    <message>
        <source>Aperture</source>
        <translation>Blende</translation>
    </message>
    <message>
        <source>Body serial number</source>
        <translation>Seriennummer des Gehäuses</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Colour filter array pattern</source>
        <translation>Farbfiltermuster</translation>
    </message>
    <message>
        <source>Camera elevation angle</source>
        <translation>Neigungswinkel der Kamera</translation>
    </message>
    <message>
        <source>Camera owner</source>
        <translation>Kamerabesitzer</translation>
    </message>
    <message>
        <source>Composite image</source>
        <translation>Zusammengesetztes Bild</translation>
    </message>
    <message>
        <source>Compressed bits per pixel</source>
        <translation>Komprimierte Bits pro Pixel</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Kontrast</translation>
    </message>
    <message>
        <source>Custom rendering</source>
        <translation>Benutzerdefinierte Verarbeitung</translation>
    </message>
    <message>
        <source>Device settings</source>
        <translation>Geräteeinstellungen</translation>
    </message>
    <message>
        <source>Digital zoom ratio</source>
        <translation>Digitalzoomfaktor</translation>
    </message>
    <message>
        <source>Exposure compensation</source>
        <translation>Belichtungskorrektur</translation>
    </message>
    <message>
        <source>Exposure index</source>
        <translation>Belichtungsindex</translation>
    </message>
    <message>
        <source>Exposure mode</source>
        <translation>Belichtungsmodus</translation>
    </message>
    <message>
        <source>Exposure program</source>
        <translation>Belichtungsprogramm</translation>
    </message>
    <message>
        <source>Exposure time</source>
        <translation>Belichtungszeit</translation>
    </message>
    <message>
        <source>F-number</source>
        <translation>Blendenzahl</translation>
    </message>
    <message>
        <source>File source</source>
        <translation>Dateiquelle</translation>
    </message>
    <message>
        <source>Flash</source>
        <translation>Blitz</translation>
    </message>
    <message>
        <source>Flash energy</source>
        <translation>Blitzenergie</translation>
    </message>
    <message>
        <source>Focal length</source>
        <translation>Brennweite</translation>
    </message>
    <message>
        <source>Focal length in 35 mm film</source>
        <translation>Brennweite (Kleinbild)</translation>
    </message>
    <message>
        <source>Focal plane resolution unit</source>
        <translation>Auflösungseinheit der Bildebene</translation>
    </message>
    <message>
        <source>Focal plane horizontal resolution</source>
        <translation>Horizontale Auflösung der Bildebene</translation>
    </message>
    <message>
        <source>Focal plane vertical resolution</source>
        <translation>Vertikale Auflösung der Bildebene</translation>
    </message>
    <message>
        <source>Gain control</source>
        <translation>Verstärkungsregelung</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>Luftfeuchtigkeit</translation>
    </message>
    <message>
        <source>ISO speed value</source>
        <translation>ISO-Wert</translation>
    </message>
    <message>
        <source>ISO speed latitude yyy</source>
        <translation>ISO-Spielraum yyy</translation>
    </message>
    <message>
        <source>ISO speed latitude zzz</source>
        <translation>ISO-Spielraum zzz</translation>
    </message>
    <message>
        <source>ISO speed</source>
        <translation>ISO-Empfindlichkeit</translation>
    </message>
    <message>
        <source>Unique image ID</source>
        <translation>Eindeutige Bild-ID</translation>
    </message>
    <message>
        <source>Lens make</source>
        <translation>Objektivhersteller</translation>
    </message>
    <message>
        <source>Lens model</source>
        <translation>Objektivmodell</translation>
    </message>
    <message>
        <source>Lens serial number</source>
        <translation>Seriennummer des Objektivs</translation>
    </message>
    <message>
        <source>Light source</source>
        <translation>Lichtquelle</translation>
    </message>
    <message>
        <source>Largest aperture</source>
        <translation>Größte Blendenöffnung</translation>
    </message>
    <message>
        <source>Metering mode</source>
        <translation>Belichtungsmessung</translation>
    </message>
    <message>
        <source>Opto-electronic conversion function</source>
        <translation>Optoelektronische Umwandlungsfunktion</translation>
    </message>
    <message>
        <source>Air pressure</source>
        <translation>Luftdruck</translation>
    </message>
    <message>
        <source>Recommended exposure index</source>
        <translation>Empfohlener Belichtungsindex</translation>
    </message>
    <message>
        <source>Related sound file</source>
        <translation>Zugehörige Tondatei</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Sättigung</translation>
    </message>
    <message>
        <source>Scene capture type</source>
        <translation>Aufnahmeart</translation>
    </message>
    <message>
        <source>Scene type</source>
        <translation>Szenenart</translation>
    </message>
    <message>
        <source>Sensing method</source>
        <translation>Sensorart</translation>
    </message>
    <message>
        <source>Sensitivity type</source>
        <translation>Art der Empfindlichkeit</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Schärfe</translation>
    </message>
    <message>
        <source>Shutter speed</source>
        <translation>Verschlusszeit</translation>
    </message>
    <message>
        <source>Exposure times of the composite</source>
        <translation>Belichtungszeiten der Komposition</translation>
    </message>
    <message>
        <source>Source images of the composite</source>
        <translation>Quellbilder der Komposition</translation>
    </message>
    <message>
        <source>Spatial frequency response</source>
        <translation>Ortsfrequenzgang</translation>
    </message>
    <message>
        <source>Spectral sensitivity</source>
        <translation>Spektrale Empfindlichkeit</translation>
    </message>
    <message>
        <source>Standard output sensitivity</source>
        <translation>Standardausgabeempfindlichkeit</translation>
    </message>
    <message>
        <source>Fraction of a second (modified)</source>
        <translation>Sekundenbruchteil (Änderung)</translation>
    </message>
    <message>
        <source>Fraction of a second (digitised)</source>
        <translation>Sekundenbruchteil (Digitalisierung)</translation>
    </message>
    <message>
        <source>Fraction of a second (taken)</source>
        <translation>Sekundenbruchteil (Aufnahme)</translation>
    </message>
    <message>
        <source>Subject area</source>
        <translation>Motivbereich</translation>
    </message>
    <message>
        <source>Subject distance</source>
        <translation>Motiventfernung</translation>
    </message>
    <message>
        <source>Subject distance range</source>
        <translation>Entfernungsbereich des Motivs</translation>
    </message>
    <message>
        <source>Subject location</source>
        <translation>Motivposition</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatur</translation>
    </message>
    <message>
        <source>User comment</source>
        <translation>Benutzerkommentar</translation>
    </message>
    <message>
        <source>Water depth</source>
        <translation>Wassertiefe</translation>
    </message>
    <message>
        <source>White balance</source>
        <translation>Weißabgleich</translation>
    </message>
    <message>
        <source>Action advised</source>
        <translation>Empfohlene Aktion</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Author&apos;s position</source>
        <translation>Position des Autors</translation>
    </message>
    <message>
        <source>Caption</source>
        <translation>Bildunterschrift</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>City</source>
        <translation>Stadt</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>Kontakt</translation>
    </message>
    <message>
        <source>Country code</source>
        <translation>Ländercode</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Credit</source>
        <translation>Anbieter</translation>
    </message>
    <message>
        <source>Date created</source>
        <translation>Erstellungsdatum</translation>
    </message>
    <message>
        <source>Time digitised</source>
        <translation>Digitalisierungszeit</translation>
    </message>
    <message>
        <source>Edit status</source>
        <translation>Bearbeitungsstatus</translation>
    </message>
    <message>
        <source>Expiration date</source>
        <translation>Ablaufdatum</translation>
    </message>
    <message>
        <source>Expiration time</source>
        <translation>Ablaufzeit</translation>
    </message>
    <message>
        <source>Fixture identifier</source>
        <translation>Rubrikkennung</translation>
    </message>
    <message>
        <source>Headline</source>
        <translation>Überschrift</translation>
    </message>
    <message>
        <source>Image orientation</source>
        <translation>Bildausrichtung</translation>
    </message>
    <message>
        <source>Image type</source>
        <translation>Bildtyp</translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation>Stichwörter</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Location code</source>
        <translation>Ortscode</translation>
    </message>
    <message>
        <source>Location name</source>
        <translation>Ortsname</translation>
    </message>
    <message>
        <source>Object attribute</source>
        <translation>Objektattribut</translation>
    </message>
    <message>
        <source>Object name</source>
        <translation>Objektname</translation>
    </message>
    <message>
        <source>Object type</source>
        <translation>Objekttyp</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Preview format</source>
        <translation>Vorschauformat</translation>
    </message>
    <message>
        <source>Preview version</source>
        <translation>Vorschauversion</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>Program version</source>
        <translation>Programmversion</translation>
    </message>
    <message>
        <source>Province or state</source>
        <translation>Bundesland oder Provinz</translation>
    </message>
    <message>
        <source>Reference date</source>
        <translation>Bezugsdatum</translation>
    </message>
    <message>
        <source>Release date</source>
        <translation>Freigabedatum</translation>
    </message>
    <message>
        <source>Release time</source>
        <translation>Freigabezeit</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Special instructions</source>
        <translation>Besondere Hinweise</translation>
    </message>
    <message>
        <source>Sublocation</source>
        <translation>Ortsteil</translation>
    </message>
    <message>
        <source>Subject reference</source>
        <translation>Themenreferenz</translation>
    </message>
    <message>
        <source>Supplemental category</source>
        <translation>Zusatzkategorie</translation>
    </message>
    <message>
        <source>Time created</source>
        <translation>Erstellungszeit</translation>
    </message>
    <message>
        <source>Job identifier</source>
        <translation>Auftragskennung</translation>
    </message>
    <message>
        <source>Urgency</source>
        <translation>Dringlichkeit</translation>
    </message>
    <message>
        <source>Caption writer</source>
        <translation>Verfasser der Beschreibung</translation>
    </message>
    <message>
        <source>Date sent</source>
        <translation>Sendedatum</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Empfänger</translation>
    </message>
    <message>
        <source>Envelope number</source>
        <translation>Umschlagnummer</translation>
    </message>
    <message>
        <source>Product identifier</source>
        <translation>Produktkennung</translation>
    </message>
    <message>
        <source>Service identifier</source>
        <translation>Dienstkennung</translation>
    </message>
    <message>
        <source>Time sent</source>
        <translation>Sendezeit</translation>
    </message>
    <message>
        <source>Unique name of the object</source>
        <translation>Eindeutiger Objektname</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Postal code</source>
        <translation>Postleitzahl</translation>
    </message>
    <message>
        <source>E-mail</source>
        <translation>E-Mail</translation>
    </message>
    <message>
        <source>Phone</source>
        <translation>Telefon</translation>
    </message>
    <message>
        <source>Website</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>World region</source>
        <translation>Weltregion</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Document ID</source>
        <translation>Dokument-ID</translation>
    </message>
    <message>
        <source>Instance ID</source>
        <translation>Instanz-ID</translation>
    </message>
    <message>
        <source>Original document ID</source>
        <translation>ID des Originaldokuments</translation>
    </message>
    <message>
        <source>Parameters</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>When</source>
        <translation>Zeitpunkt</translation>
    </message>
    <message>
        <source>Approximate focus distance</source>
        <translation>Ungefähre Fokusentfernung</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Flash compensation</source>
        <translation>Blitzkorrektur</translation>
    </message>
    <message>
        <source>Lens</source>
        <translation>Objektiv</translation>
    </message>
    <message>
        <source>Lens ID</source>
        <translation>Objektiv-ID</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Contributor</source>
        <translation>Mitwirkende</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Geltungsbereich</translation>
    </message>
    <message>
        <source>Creator</source>
        <translation>Urheber</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Identifier</source>
        <translation>Kennung</translation>
    </message>
    <message>
        <source>Publisher</source>
        <translation>Herausgeber</translation>
    </message>
    <message>
        <source>Relation</source>
        <translation>Beziehung</translation>
    </message>
    <message>
        <source>Rights</source>
        <translation>Rechte</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Schlagwörter</translation>
    </message>
    <message>
        <source>Creator&apos;s contact</source>
        <translation>Kontakt des Urhebers</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Gattung</translation>
    </message>
    <message>
        <source>Scene</source>
        <translation>Szene</translation>
    </message>
    <message>
        <source>Subject code</source>
        <translation>Themencode</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Ereignis</translation>
    </message>
    <message>
        <source>Location created</source>
        <translation>Aufnahmeort</translation>
    </message>
    <message>
        <source>Location shown</source>
        <translation>Abgebildeter Ort</translation>
    </message>
    <message>
        <source>Model&apos;s age</source>
        <translation>Alter des Modells</translation>
    </message>
    <message>
        <source>Organisation shown</source>
        <translation>Abgebildete Organisation</translation>
    </message>
    <message>
        <source>Person shown</source>
        <translation>Abgebildete Person</translation>
    </message>
    <message>
        <source>Hierarchical keywords</source>
        <translation>Hierarchische Stichwörter</translation>
    </message>
    <message>
        <source>Named regions</source>
        <translation>Benannte Bereiche</translation>
    </message>
    <message>
        <source>Document ancestors</source>
        <translation>Vorgängerdokumente</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Instructions</source>
        <translation>Anweisungen</translation>
    </message>
    <message>
        <source>Supplemental categories</source>
        <translation>Zusatzkategorien</translation>
    </message>
    <message>
        <source>Text layers</source>
        <translation>Textebenen</translation>
    </message>
    <message>
        <source>Base URL</source>
        <translation>Basis-URL</translation>
    </message>
    <message>
        <source>Creator tool</source>
        <translation>Erstellungsprogramm</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Etikett</translation>
    </message>
    <message>
        <source>Metadata date</source>
        <translation>Datum der Metadaten</translation>
    </message>
    <message>
        <source>Nickname</source>
        <translation>Kurzname</translation>
    </message>
    <message>
        <source>Thumbnails</source>
        <translation>Vorschaubilder</translation>
    </message>
    <message>
        <source>Derived from</source>
        <translation>Abgeleitet von</translation>
    </message>
    <message>
        <source>Editing history</source>
        <translation>Bearbeitungsverlauf</translation>
    </message>
    <message>
        <source>Rights certificate</source>
        <translation>Rechtezertifikat</translation>
    </message>
    <message>
        <source>Rights marked</source>
        <translation>Rechte vermerkt</translation>
    </message>
    <message>
        <source>Rights owner</source>
        <translation>Rechteinhaber</translation>
    </message>
    <message>
        <source>Usage terms</source>
        <translation>Nutzungsbedingungen</translation>
    </message>
    <message>
        <source>Rights statement</source>
        <translation>Rechtehinweis</translation>
    </message>
    <message>
        <source>Application data &quot;%1&quot;</source>
        <translation>Anwendungsdaten „%1“</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Plain text</source>
        <translation>Einfacher Text</translation>
    </message>
    <message>
        <source>Extension 0x%1</source>
        <translation>Erweiterung 0x%1</translation>
    </message>
    <message>
        <source>Data between blocks</source>
        <translation>Daten zwischen den Blöcken</translation>
    </message>
    <message>
        <source>%1 in item %2&apos;s %3, %4 bytes</source>
        <translation>%1 in %3 von Element %2, %4 Byte</translation>
    </message>
    <message>
        <source>1 unit</source>
        <translation>1 Einheit</translation>
    </message>
    <message>
        <source>%1 units</source>
        <translation>%1 Einheiten</translation>
    </message>
    <message>
        <source>Supplemental data (HEVC SEI)</source>
        <translation>Zusatzdaten (HEVC-SEI)</translation>
    </message>
    <message>
        <source>Metadata (AV1 OBU)</source>
        <translation>Metadaten (AV1-OBU)</translation>
    </message>
    <message>
        <source>Image sequence</source>
        <translation>Bildsequenz</translation>
    </message>
    <message>
        <source>Box &apos;%1&apos;</source>
        <translation>Feld „%1“</translation>
    </message>
    <message>
        <source>beginning like a box &apos;%1&apos;</source>
        <translation>beginnend wie ein Feld „%1“</translation>
    </message>
    <message>
        <source>%1 × %2 pixels</source>
        <translation>%1 × %2 Pixel</translation>
    </message>
    <message>
        <source>Thumbnail</source>
        <translation>Vorschaubild</translation>
    </message>
    <message>
        <source>an embedded preview</source>
        <translation>eine eingebettete Vorschau</translation>
    </message>
    <message>
        <source>Auxiliary image</source>
        <translation>Hilfsbild</translation>
    </message>
    <message>
        <source>Metadata item</source>
        <translation>Metadatenelement</translation>
    </message>
    <message>
        <source>&apos;%1&apos;, whose data lies outside the file</source>
        <translation>„%1“, dessen Daten außerhalb der Datei liegen</translation>
    </message>
    <message>
        <source>EXIF item</source>
        <translation>EXIF-Element</translation>
    </message>
    <message>
        <source>Metadata item &apos;%1&apos;</source>
        <translation>Metadatenelement „%1“</translation>
    </message>
    <message>
        <source>Another image</source>
        <translation>Weiteres Bild</translation>
    </message>
    <message>
        <source>item %1 (&apos;%2&apos;)</source>
        <translation>Element %1 („%2“)</translation>
    </message>
    <message>
        <source>Description (HEIF)</source>
        <translation>Beschreibung (HEIF)</translation>
    </message>
    <message>
        <source>not a HEIF image</source>
        <translation>kein HEIF-Bild</translation>
    </message>
    <message>
        <source>Thumbnail (JFIF)</source>
        <translation>Vorschaubild (JFIF)</translation>
    </message>
    <message>
        <source>%1 x %2 pixels</source>
        <translation>%1 × %2 Pixel</translation>
    </message>
    <message>
        <source>Thumbnail (JFIF extension)</source>
        <translation>Vorschaubild (JFIF-Erweiterung)</translation>
    </message>
    <message>
        <source>APP%1 segment</source>
        <translation>APP%1-Segment</translation>
    </message>
    <message>
        <source>APP%1 segment &quot;%2&quot;</source>
        <translation>APP%1-Segment „%2“</translation>
    </message>
    <message>
        <source>Colour profile</source>
        <translation>Farbprofil</translation>
    </message>
    <message>
        <source>incomplete chain of %1 segments</source>
        <translation>unvollständige Kette aus %1 Segmenten</translation>
    </message>
    <message>
        <source>Extended XMP</source>
        <translation>Erweitertes XMP</translation>
    </message>
    <message>
        <source>incomplete, %1 of %2</source>
        <translation>unvollständig, %1 von %2</translation>
    </message>
    <message>
        <source>Reserved segment 0x%1</source>
        <translation>Reserviertes Segment 0x%1</translation>
    </message>
    <message>
        <source>Data between segments</source>
        <translation>Daten zwischen den Segmenten</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>die Datei ist leer</translation>
    </message>
    <message>
        <source>not an image in a format Morvane reads</source>
        <translation>kein Bild in einem Format, das Morvane liest</translation>
    </message>
    <message>
        <source>Tag 0x%1</source>
        <translation>Feld 0x%1</translation>
    </message>
    <message>
        <source> UTC</source>
        <translation> UTC</translation>
    </message>
    <message>
        <source>%1° (true north)</source>
        <translation>%1° (geografisch Nord)</translation>
    </message>
    <message>
        <source>%1° (magnetic north)</source>
        <translation>%1° (magnetisch Nord)</translation>
    </message>
    <message>
        <source>%1 mph</source>
        <translation>%1 mph</translation>
    </message>
    <message>
        <source>%1 knots</source>
        <translation>%1 Knoten</translation>
    </message>
    <message>
        <source>%1 km/h</source>
        <translation>%1 km/h</translation>
    </message>
    <message>
        <source>%1 miles</source>
        <translation>%1 Meilen</translation>
    </message>
    <message>
        <source>%1 nautical miles</source>
        <translation>%1 Seemeilen</translation>
    </message>
    <message>
        <source>%1 km</source>
        <translation>%1 km</translation>
    </message>
    <message>
        <source>Page 2: </source>
        <translation>Seite 2: </translation>
    </message>
    <message>
        <source>Sub-image %1: </source>
        <translation>Teilbild %1: </translation>
    </message>
    <message>
        <source>Page %1: </source>
        <translation>Seite %1: </translation>
    </message>
    <message>
        <source>1 entry</source>
        <translation>1 Eintrag</translation>
    </message>
    <message>
        <source>%1 entries</source>
        <translation>%1 Einträge</translation>
    </message>
    <message>
        <source>%1, %2 bytes</source>
        <translation>%1, %2 Byte</translation>
    </message>
    <message>
        <source>Sub-image: </source>
        <translation>Teilbild: </translation>
    </message>
    <message>
        <source>directories that cannot be read</source>
        <translation>Verzeichnisse, die sich nicht lesen lassen</translation>
    </message>
    <message>
        <source>%1 bytes that cannot be read</source>
        <translation>%1 Byte, die sich nicht lesen lassen</translation>
    </message>
    <message>
        <source>%1 bytes with nothing readable</source>
        <translation>%1 Byte ohne Lesbares</translation>
    </message>
    <message>
        <source>%1 bytes of tags that cannot be read</source>
        <translation>%1 Byte an Feldern, die sich nicht lesen lassen</translation>
    </message>
    <message>
        <source>Embedded image: </source>
        <translation>Eingebettetes Bild: </translation>
    </message>
    <message>
        <source>%1 (PNG text)</source>
        <translation>%1 (PNG-Text)</translation>
    </message>
    <message>
        <source>damaged (%1 compressed)</source>
        <translation>beschädigt (%1 komprimiert)</translation>
    </message>
    <message>
        <source>Last modified (PNG)</source>
        <translation>Zuletzt geändert (PNG)</translation>
    </message>
    <message>
        <source>invalid</source>
        <translation>ungültig</translation>
    </message>
    <message>
        <source>Chunk &quot;%1&quot;</source>
        <translation>Abschnitt „%1“</translation>
    </message>
    <message>
        <source>damaged or no ICC profile (%1)</source>
        <translation>beschädigt oder kein ICC-Profil (%1)</translation>
    </message>
    <message>
        <source>Colour profile tag &apos;%1&apos;</source>
        <translation>Farbprofilfeld „%1“</translation>
    </message>
    <message>
        <source>device data, %1</source>
        <translation>Gerätedaten, %1</translation>
    </message>
    <message>
        <source>unreadable text, %1</source>
        <translation>unlesbarer Text, %1</translation>
    </message>
    <message>
        <source>private, %1</source>
        <translation>privat, %1</translation>
    </message>
    <message>
        <source>%1 outside its tags</source>
        <translation>%1 außerhalb seiner Felder</translation>
    </message>
    <message>
        <source>Colour profile ID</source>
        <translation>Farbprofil-ID</translation>
    </message>
    <message>
        <source>not the profile&apos;s checksum, %1</source>
        <translation>nicht die Prüfsumme des Profils, %1</translation>
    </message>
    <message>
        <source>EXIF chunk</source>
        <translation>EXIF-Abschnitt</translation>
    </message>
    <message>
        <source>Chunk &apos;%1&apos;</source>
        <translation>Abschnitt „%1“</translation>
    </message>
    <message>
        <source>Lens data</source>
        <translation>Objektivdaten</translation>
    </message>
    <message>
        <source>Flash fired</source>
        <translation>Blitz ausgelöst</translation>
    </message>
    <message>
        <source>Flash function</source>
        <translation>Blitzfunktion</translation>
    </message>
    <message>
        <source>Flash mode</source>
        <translation>Blitzmodus</translation>
    </message>
    <message>
        <source>Red-eye reduction</source>
        <translation>Rote-Augen-Reduzierung</translation>
    </message>
    <message>
        <source>Flash return light</source>
        <translation>Blitz-Rücklicht</translation>
    </message>
    <message>
        <source>of no stated kind</source>
        <translation>ohne angegebene Art</translation>
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
    <message>
        <source>no name for the output</source>
        <translation>kein Name für die Ausgabe</translation>
    </message>
    <message>
        <source>no free name in the output folder</source>
        <translation>kein freier Name im Ausgabeordner</translation>
    </message>
</context>
<context>
    <name>SystemErrors</name>
    <message>
        <source>No such file or directory</source>
        <translation>Datei oder Ordner nicht gefunden</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Zugriff verweigert</translation>
    </message>
    <message>
        <source>Operation not permitted</source>
        <translation>Vorgang nicht erlaubt</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>Kein Speicherplatz mehr auf dem Datenträger</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Speicherkontingent überschritten</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Schreibgeschütztes Dateisystem</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Ein-/Ausgabefehler</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>Ist ein Ordner</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>Ist kein Ordner</translation>
    </message>
    <message>
        <source>File name too long</source>
        <translation>Dateiname zu lang</translation>
    </message>
    <message>
        <source>File exists</source>
        <translation>Datei existiert bereits</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>Zu viele offene Dateien</translation>
    </message>
    <message>
        <source>Cannot allocate memory</source>
        <translation>Speicher kann nicht zugewiesen werden</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>Datei zu groß</translation>
    </message>
    <message>
        <source>Too many levels of symbolic links</source>
        <translation>Zu viele Ebenen symbolischer Verknüpfungen</translation>
    </message>
    <message>
        <source>Stale file handle</source>
        <translation>Veralteter Dateizugriff</translation>
    </message>
</context>
<context>
    <name>TimeLeft</name>
    <message>
        <source>A few seconds left</source>
        <translation>Noch wenige Sekunden</translation>
    </message>
    <message numerus="yes">
        <source>About %n seconds left</source>
        <translation>
            <numerusform>Noch etwa %n Sekunde</numerusform>
            <numerusform>Noch etwa %n Sekunden</numerusform>
        </translation>
    </message>
    <message>
        <source>About a minute left</source>
        <translation>Noch etwa eine Minute</translation>
    </message>
    <message numerus="yes">
        <source>About %n minutes left</source>
        <translation>
            <numerusform>Noch etwa %n Minute</numerusform>
            <numerusform>Noch etwa %n Minuten</numerusform>
        </translation>
    </message>
    <message>
        <source>About an hour left</source>
        <translation>Noch etwa eine Stunde</translation>
    </message>
    <message numerus="yes">
        <source>About %n hours left</source>
        <translation>
            <numerusform>Noch etwa %n Stunde</numerusform>
            <numerusform>Noch etwa %n Stunden</numerusform>
        </translation>
    </message>
    <message>
        <source>About %1 h %2 min left</source>
        <translation>Noch etwa %1 h %2 min</translation>
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
<context>
    <name>WorkerFailure</name>
    <message>
        <source>the decoder could not be started: %1</source>
        <translation>der Decoder konnte nicht gestartet werden: %1</translation>
    </message>
    <message>
        <source>the decoder crashed (%1)</source>
        <translation>der Decoder ist abgestürzt (%1)</translation>
    </message>
    <message>
        <source>the decoder stopped (%1)</source>
        <translation>der Decoder hat abgebrochen (%1)</translation>
    </message>
    <message>
        <source>the decoder was ended by a signal (%1)</source>
        <translation>der Decoder wurde durch ein Signal beendet (%1)</translation>
    </message>
    <message>
        <source>took longer than %1 s</source>
        <translation>dauerte länger als %1 s</translation>
    </message>
    <message>
        <source>needed more memory than the limit allows</source>
        <translation>brauchte mehr Speicher, als die Grenze erlaubt</translation>
    </message>
    <message>
        <source>the decoder ended unexpectedly</source>
        <translation>der Decoder endete unerwartet</translation>
    </message>
    <message>
        <source>the decoder ended unexpectedly (exit status %1)</source>
        <translation>der Decoder endete unerwartet (Exit-Status %1)</translation>
    </message>
    <message>
        <source>the decoder broke off the exchange (%1)</source>
        <translation>der Decoder hat den Austausch abgebrochen (%1)</translation>
    </message>
</context>
</TS>
