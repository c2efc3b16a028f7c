<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>AppController</name>
    <message numerus="yes">
        <source>%n image photos</source>
        <translation>
            <numerusform>%n photo</numerusform>
            <numerusform>%n photos</numerusform>
        </translation>
    </message>
    <message>
        <source>Images (%1)</source>
        <translation>Images (%1)</translation>
    </message>
    <message>
        <source>Error to create &apos;%1&apos;.<byte value="xd"/>
[%2]</source>
        <translation>Impossible de créer « %1 ».<byte value="xd"/>
[%2]</translation>
    </message>
</context>
<context>
    <name>ConfinementReport</name>
    <message>
        <source>not confined</source>
        <translation>non confiné</translation>
    </message>
    <message>
        <source>not confined: %1</source>
        <translation>non confiné : %1</translation>
    </message>
    <message>
        <source>confined: %1</source>
        <translation>confiné : %1</translation>
    </message>
</context>
<context>
    <name>ConversionReasons</name>
    <message>
        <source>no GIF header</source>
        <translation>pas d’en-tête GIF</translation>
    </message>
    <message>
        <source>the colour table is cut short</source>
        <translation>la table des couleurs est tronquée</translation>
    </message>
    <message>
        <source>an extension is cut short</source>
        <translation>une extension est tronquée</translation>
    </message>
    <message>
        <source>a frame&apos;s timing is damaged</source>
        <translation>la durée d’une image est endommagée</translation>
    </message>
    <message>
        <source>a frame is cut short</source>
        <translation>une image est tronquée</translation>
    </message>
    <message>
        <source>more than %1 frames</source>
        <translation>plus de %1 images</translation>
    </message>
    <message>
        <source>frame %1 is empty</source>
        <translation>l’image %1 est vide</translation>
    </message>
    <message>
        <source>its frames hold too many pixels</source>
        <translation>ses images contiennent trop de pixels</translation>
    </message>
    <message>
        <source>frame %1 is cut short</source>
        <translation>l’image %1 est tronquée</translation>
    </message>
    <message>
        <source>frame %1 has no colour table</source>
        <translation>l’image %1 n’a pas de table des couleurs</translation>
    </message>
    <message>
        <source>frame %1&apos;s image data is damaged</source>
        <translation>les données de l’image %1 sont endommagées</translation>
    </message>
    <message>
        <source>frame %1&apos;s image data ends early</source>
        <translation>les données de l’image %1 s’arrêtent trop tôt</translation>
    </message>
    <message>
        <source>frame %1 draws colours its table lacks</source>
        <translation>l’image %1 utilise des couleurs absentes de sa table</translation>
    </message>
    <message>
        <source>data between blocks</source>
        <translation>données entre les blocs</translation>
    </message>
    <message>
        <source>no image to write</source>
        <translation>aucune image à écrire</translation>
    </message>
    <message>
        <source>image too large for a GIF (%1 x %2 pixels)</source>
        <translation>image trop grande pour un GIF (%1 × %2 pixels)</translation>
    </message>
    <message>
        <source>the colours could not be reduced to a GIF palette</source>
        <translation>les couleurs n’ont pas pu être réduites à une palette GIF</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Mémoire insuffisante</translation>
    </message>
    <message>
        <source>The image has no size this program decodes</source>
        <translation>L’image n’a pas une taille que ce programme décode</translation>
    </message>
    <message>
        <source>libheif decoded the image at an unexpected size</source>
        <translation>libheif a décodé l’image à une taille inattendue</translation>
    </message>
    <message>
        <source>libheif decoded the image in an unexpected layout</source>
        <translation>libheif a décodé l’image dans une disposition inattendue</translation>
    </message>
    <message>
        <source>The image&apos;s colours are not coded as a JPEG&apos;s</source>
        <translation>Les couleurs de l’image ne sont pas codées comme celles d’un JPEG</translation>
    </message>
    <message>
        <source>Nothing to write</source>
        <translation>Rien à écrire</translation>
    </message>
    <message>
        <source>The image is too large for a HEIF file</source>
        <translation>L’image est trop grande pour un fichier HEIF</translation>
    </message>
    <message>
        <source>its images are coded in more than one way</source>
        <translation>ses images sont codées de plusieurs façons</translation>
    </message>
    <message>
        <source>it is coded as %1, not as its name&apos;s type</source>
        <translation>il est codé en %1, pas dans le type de son nom</translation>
    </message>
    <message>
        <source>its structure cannot be read</source>
        <translation>sa structure ne peut pas être lue</translation>
    </message>
    <message>
        <source>it refers to an image it does not hold</source>
        <translation>il renvoie à une image qu’il ne contient pas</translation>
    </message>
    <message>
        <source>its grid has %1 tiles</source>
        <translation>sa grille compte %1 tuiles</translation>
    </message>
    <message>
        <source>its grid is made of images of another kind</source>
        <translation>sa grille est faite d’images d’un autre genre</translation>
    </message>
    <message>
        <source>its image is an item of type &apos;%1&apos;, which is copied only by decoding it</source>
        <translation>son image est un élément de type « %1 », qui n’est copié qu’en le décodant</translation>
    </message>
    <message>
        <source>its image has more than one alpha channel</source>
        <translation>son image a plus d’un canal alpha</translation>
    </message>
    <message>
        <source>its alpha channel is also part of its image</source>
        <translation>son canal alpha fait aussi partie de son image</translation>
    </message>
    <message>
        <source>an image has a property this program does not copy (&apos;%1&apos;)</source>
        <translation>une image a une propriété que ce programme ne copie pas (« %1 »)</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>absente</translation>
    </message>
    <message>
        <source>an image has too many properties</source>
        <translation>une image a trop de propriétés</translation>
    </message>
    <message>
        <source>an image&apos;s rotation or mirroring is damaged</source>
        <translation>la rotation ou la symétrie d’une image est endommagée</translation>
    </message>
    <message>
        <source>an image&apos;s crop or pixel shape is damaged</source>
        <translation>le recadrage ou la forme des pixels d’une image est endommagé</translation>
    </message>
    <message>
        <source>an HEVC image&apos;s configuration is damaged</source>
        <translation>la configuration d’une image HEVC est endommagée</translation>
    </message>
    <message>
        <source>an HEVC image&apos;s configuration holds units of unknown kinds</source>
        <translation>la configuration d’une image HEVC contient des unités de type inconnu</translation>
    </message>
    <message>
        <source>an AV1 image&apos;s configuration is damaged</source>
        <translation>la configuration d’une image AV1 est endommagée</translation>
    </message>
    <message>
        <source>an image&apos;s size is damaged</source>
        <translation>la taille d’une image est endommagée</translation>
    </message>
    <message>
        <source>an image&apos;s channel description is damaged</source>
        <translation>la description des canaux d’une image est endommagée</translation>
    </message>
    <message>
        <source>an image&apos;s colour description is damaged</source>
        <translation>la description des couleurs d’une image est endommagée</translation>
    </message>
    <message>
        <source>an HEVC image has no configuration</source>
        <translation>une image HEVC n’a pas de configuration</translation>
    </message>
    <message>
        <source>an image&apos;s coded data holds units of unknown kinds</source>
        <translation>les données codées d’une image contiennent des unités de type inconnu</translation>
    </message>
    <message>
        <source>an image&apos;s coded data does not read as whole units</source>
        <translation>les données codées d’une image ne se lisent pas en unités entières</translation>
    </message>
    <message>
        <source>a grid&apos;s description is damaged</source>
        <translation>la description d’une grille est endommagée</translation>
    </message>
    <message>
        <source>its images&apos; data overlap</source>
        <translation>les données de ses images se chevauchent</translation>
    </message>
    <message>
        <source>its file type box is of a kind this program does not copy</source>
        <translation>sa boîte de type de fichier est d’un genre que ce programme ne copie pas</translation>
    </message>
    <message>
        <source>it has too many images or properties</source>
        <translation>il a trop d’images ou de propriétés</translation>
    </message>
    <message>
        <source>it is too large to copy</source>
        <translation>il est trop grand pour être copié</translation>
    </message>
    <message>
        <source>the JPEG could not be encoded</source>
        <translation>le JPEG n’a pas pu être encodé</translation>
    </message>
    <message>
        <source>image too large for a JPEG (%1 x %2 pixels)</source>
        <translation>image trop grande pour un JPEG (%1 × %2 pixels)</translation>
    </message>
    <message>
        <source>EXIF block too large for a JPEG</source>
        <translation>bloc EXIF trop grand pour un JPEG</translation>
    </message>
    <message>
        <source>colour profile too large for a JPEG</source>
        <translation>profil de couleurs trop grand pour un JPEG</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>mémoire insuffisante</translation>
    </message>
    <message>
        <source>no output file</source>
        <translation>aucun fichier de sortie</translation>
    </message>
    <message>
        <source>empty file</source>
        <translation>fichier vide</translation>
    </message>
    <message>
        <source>not a readable JPEG: %1</source>
        <translation>JPEG illisible : %1</translation>
    </message>
    <message>
        <source>image too large (%1 x %2 pixels)</source>
        <translation>image trop grande (%1 × %2 pixels)</translation>
    </message>
    <message>
        <source>truncated JPEG: far too little data for %1 x %2 pixels</source>
        <translation>JPEG tronqué : beaucoup trop peu de données pour %1 × %2 pixels</translation>
    </message>
    <message>
        <source>%1 x %2 pixels is not a whole number of JPEG blocks for this turn</source>
        <translation>%1 × %2 pixels ne font pas un nombre entier de blocs JPEG pour cette rotation</translation>
    </message>
    <message>
        <source>not enough memory for %1 x %2 pixels</source>
        <translation>mémoire insuffisante pour %1 × %2 pixels</translation>
    </message>
    <message>
        <source>DCT coefficients out of range for an 8-bit JPEG</source>
        <translation>coefficients DCT hors de la plage d’un JPEG 8 bits</translation>
    </message>
    <message>
        <source>progressive JPEG whose scans leave coefficients unrefined</source>
        <translation>JPEG progressif dont les passes laissent des coefficients non affinés</translation>
    </message>
    <message>
        <source>JPEG whose scans change a quantisation table</source>
        <translation>JPEG dont les passes modifient une table de quantification</translation>
    </message>
    <message>
        <source>truncated or corrupt JPEG data</source>
        <translation>données JPEG tronquées ou corrompues</translation>
    </message>
    <message>
        <source>truncated or corrupt JPEG data: %1</source>
        <translation>données JPEG tronquées ou corrompues : %1</translation>
    </message>
    <message>
        <source>cannot write the output: %1</source>
        <translation>impossible d’écrire la sortie : %1</translation>
    </message>
    <message>
        <source>cannot write the coefficients: %1</source>
        <translation>impossible d’écrire les coefficients : %1</translation>
    </message>
    <message>
        <source>its image data does not inflate to its rows</source>
        <translation>ses données d’image ne se décompressent pas en ses lignes</translation>
    </message>
    <message>
        <source>a row has an unknown filter</source>
        <translation>une ligne a un filtre inconnu</translation>
    </message>
    <message>
        <source>a pixel&apos;s colour lies outside the palette</source>
        <translation>la couleur d’un pixel est hors de la palette</translation>
    </message>
    <message>
        <source>its image data could not be compressed</source>
        <translation>ses données d’image n’ont pas pu être compressées</translation>
    </message>
    <message>
        <source>no PNG signature</source>
        <translation>pas de signature PNG</translation>
    </message>
    <message>
        <source>the file is cut short</source>
        <translation>le fichier est tronqué</translation>
    </message>
    <message>
        <source>the image header is damaged</source>
        <translation>l’en-tête de l’image est endommagé</translation>
    </message>
    <message>
        <source>a chunk is damaged</source>
        <translation>un bloc est endommagé</translation>
    </message>
    <message>
        <source>the animation control is damaged</source>
        <translation>le contrôle de l’animation est endommagé</translation>
    </message>
    <message>
        <source>a frame control is damaged</source>
        <translation>le contrôle d’une image est endommagé</translation>
    </message>
    <message>
        <source>the image data is split</source>
        <translation>les données d’image sont séparées</translation>
    </message>
    <message>
        <source>the image data comes after a frame</source>
        <translation>les données d’image viennent après une image de l’animation</translation>
    </message>
    <message>
        <source>frame data out of place</source>
        <translation>données d’image mal placées</translation>
    </message>
    <message>
        <source>it holds %1 frames where it states %2</source>
        <translation>il contient %1 images alors qu’il en annonce %2</translation>
    </message>
    <message>
        <source>it has no image data</source>
        <translation>il n’a pas de données d’image</translation>
    </message>
    <message>
        <source>a frame has no image data</source>
        <translation>une image de l’animation n’a pas de données</translation>
    </message>
    <message>
        <source>a frame lies outside the image</source>
        <translation>une image de l’animation déborde de l’image</translation>
    </message>
    <message>
        <source>the first frame does not fill the image</source>
        <translation>la première image ne remplit pas l’image</translation>
    </message>
    <message>
        <source>the palette is damaged</source>
        <translation>la palette est endommagée</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>mémoire insuffisante</translation>
    </message>
    <message>
        <source>frame %1: %2</source>
        <translation>image %1 : %2</translation>
    </message>
    <message>
        <source>the image could not be encoded</source>
        <translation>l’image n’a pas pu être encodée</translation>
    </message>
    <message>
        <source>The file is cut short</source>
        <translation>Le fichier est tronqué</translation>
    </message>
    <message>
        <source>The image uses a WebP feature this program does not read</source>
        <translation>L’image utilise une fonction WebP que ce programme ne lit pas</translation>
    </message>
    <message>
        <source>The image data is damaged</source>
        <translation>Les données d’image sont endommagées</translation>
    </message>
    <message>
        <source>Not a WebP file</source>
        <translation>Pas un fichier WebP</translation>
    </message>
    <message>
        <source>The WebP file is damaged</source>
        <translation>Le fichier WebP est endommagé</translation>
    </message>
    <message>
        <source>The image is %1 by %2 pixels: more than this program decodes</source>
        <translation>L’image mesure %1 × %2 pixels : plus que ce programme ne décode</translation>
    </message>
    <message>
        <source>The WebP file holds no image</source>
        <translation>Le fichier WebP ne contient aucune image</translation>
    </message>
    <message>
        <source>The WebP decoder cannot be set up</source>
        <translation>Le décodeur WebP ne peut pas être initialisé</translation>
    </message>
    <message>
        <source>The image is too large for a WebP file</source>
        <translation>L’image est trop grande pour un fichier WebP</translation>
    </message>
    <message>
        <source>The image makes a WebP file larger than the format allows</source>
        <translation>L’image donne un fichier WebP plus grand que le format ne le permet</translation>
    </message>
    <message>
        <source>libwebp cannot encode the image</source>
        <translation>libwebp ne peut pas encoder l’image</translation>
    </message>
    <message>
        <source>libwebp cannot be set up</source>
        <translation>libwebp ne peut pas être initialisée</translation>
    </message>
    <message>
        <source>libwebp refuses its settings</source>
        <translation>libwebp refuse ses réglages</translation>
    </message>
    <message>
        <source>libwebp cannot add the colour profile</source>
        <translation>libwebp ne peut pas ajouter le profil de couleurs</translation>
    </message>
    <message>
        <source>a chunk runs past the end of %1</source>
        <translation>un bloc dépasse la fin de %1</translation>
    </message>
    <message>
        <source>an alpha chunk out of place</source>
        <translation>un bloc alpha mal placé</translation>
    </message>
    <message>
        <source>more than one image in a picture</source>
        <translation>plus d’une image dans une illustration</translation>
    </message>
    <message>
        <source>an alpha chunk beside a lossless image</source>
        <translation>un bloc alpha à côté d’une image sans perte</translation>
    </message>
    <message>
        <source>an image header that cannot be read</source>
        <translation>un en-tête d’image illisible</translation>
    </message>
    <message>
        <source>a frame header cut short</source>
        <translation>un en-tête d’image tronqué</translation>
    </message>
    <message>
        <source>a frame outside the canvas</source>
        <translation>une image hors du canevas</translation>
    </message>
    <message>
        <source>a frame without an image</source>
        <translation>une image de l’animation sans contenu</translation>
    </message>
    <message>
        <source>a frame whose image is not of its stated size</source>
        <translation>une image dont le contenu n’a pas la taille annoncée</translation>
    </message>
    <message>
        <source>a second VP8X chunk</source>
        <translation>un second bloc VP8X</translation>
    </message>
    <message>
        <source>frames in a file not marked as an animation</source>
        <translation>des images dans un fichier non marqué comme animation</translation>
    </message>
    <message>
        <source>a still image&apos;s chunk in an animation</source>
        <translation>le bloc d’une image fixe dans une animation</translation>
    </message>
    <message>
        <source>an animation header out of place or cut short</source>
        <translation>un en-tête d’animation mal placé ou tronqué</translation>
    </message>
    <message>
        <source>a frame before the animation header</source>
        <translation>une image avant l’en-tête d’animation</translation>
    </message>
    <message>
        <source>an animation without frames</source>
        <translation>une animation sans images</translation>
    </message>
    <message>
        <source>no image</source>
        <translation>aucune image</translation>
    </message>
    <message>
        <source>an image whose size is not the canvas</source>
        <translation>une image dont la taille n’est pas celle du canevas</translation>
    </message>
    <message>
        <source>not a WebP file</source>
        <translation>pas un fichier WebP</translation>
    </message>
    <message>
        <source>an odd RIFF size</source>
        <translation>une taille RIFF impaire</translation>
    </message>
    <message>
        <source>a RIFF size past the end of the file</source>
        <translation>une taille RIFF au-delà de la fin du fichier</translation>
    </message>
    <message>
        <source>no image or VP8X chunk first</source>
        <translation>pas de bloc d’image ou VP8X en premier</translation>
    </message>
    <message>
        <source>a VP8X chunk cut short</source>
        <translation>un bloc VP8X tronqué</translation>
    </message>
    <message>
        <source>a canvas larger than the format allows</source>
        <translation>un canevas plus grand que le format ne le permet</translation>
    </message>
    <message>
        <source>the copy would be larger than the format allows</source>
        <translation>la copie serait plus grande que le format ne le permet</translation>
    </message>
    <message>
        <source>the copy could not be written</source>
        <translation>la copie n’a pas pu être écrite</translation>
    </message>
    <message>
        <source>its frames would have to be turned upright</source>
        <translation>ses images devraient être redressées</translation>
    </message>
    <message>
        <source>could not be read</source>
        <translation>n’a pas pu être lu</translation>
    </message>
    <message>
        <source>turned upright</source>
        <translation>redressée</translation>
    </message>
    <message>
        <source>the picture does not decode: %1</source>
        <translation>l’image ne se décode pas : %1</translation>
    </message>
    <message>
        <source>the metadata could not be written</source>
        <translation>les métadonnées n’ont pas pu être écrites</translation>
    </message>
    <message>
        <source>a file of that name exists</source>
        <translation>un fichier de ce nom existe déjà</translation>
    </message>
    <message>
        <source>the image could not be decoded</source>
        <translation>l’image n’a pas pu être décodée</translation>
    </message>
    <message>
        <source>more than %1 pages</source>
        <translation>plus de %1 pages</translation>
    </message>
    <message>
        <source>the pages together are too large</source>
        <translation>les pages sont trop grandes ensemble</translation>
    </message>
    <message>
        <source>page %1 could not be decoded</source>
        <translation>la page %1 n’a pas pu être décodée</translation>
    </message>
    <message>
        <source>page %1 could not be drawn</source>
        <translation>la page %1 n’a pas pu être dessinée</translation>
    </message>
    <message>
        <source>Part of the image data is missing from the file</source>
        <translation>Une partie des données d’image manque dans le fichier</translation>
    </message>
    <message>
        <source>The &apos;meta&apos; box is damaged</source>
        <translation>La boîte « meta » est endommagée</translation>
    </message>
    <message>
        <source>A box in the &apos;meta&apos; box runs past its end</source>
        <translation>Une boîte de la boîte « meta » dépasse sa fin</translation>
    </message>
    <message>
        <source>The file names no primary image</source>
        <translation>Le fichier n’indique pas d’image principale</translation>
    </message>
    <message>
        <source>The primary image is not among the file&apos;s items</source>
        <translation>L’image principale ne figure pas parmi les éléments du fichier</translation>
    </message>
    <message>
        <source>The &apos;%1&apos; box is damaged</source>
        <translation>La boîte « %1 » est endommagée</translation>
    </message>
    <message>
        <source>The file has too many items</source>
        <translation>Le fichier a trop d’éléments</translation>
    </message>
    <message>
        <source>The &apos;iloc&apos; box has an unknown version</source>
        <translation>La boîte « iloc » a une version inconnue</translation>
    </message>
    <message>
        <source>An item of the file has too many parts</source>
        <translation>Un élément du fichier a trop de parties</translation>
    </message>
    <message>
        <source>An image of the file has no data</source>
        <translation>Une image du fichier n’a pas de données</translation>
    </message>
    <message>
        <source>An image of the file is stored in a way this program does not read</source>
        <translation>Une image du fichier est stockée d’une façon que ce programme ne lit pas</translation>
    </message>
    <message>
        <source>An image&apos;s data lies outside its box</source>
        <translation>Les données d’une image sont hors de sa boîte</translation>
    </message>
    <message>
        <source>An image&apos;s data is larger than the file</source>
        <translation>Les données d’une image sont plus grandes que le fichier</translation>
    </message>
    <message>
        <source>Not a HEIF file</source>
        <translation>Pas un fichier HEIF</translation>
    </message>
    <message>
        <source>Not a HEIF image file</source>
        <translation>Pas un fichier d’image HEIF</translation>
    </message>
    <message>
        <source>The file has two &apos;meta&apos; boxes</source>
        <translation>Le fichier a deux boîtes « meta »</translation>
    </message>
    <message>
        <source>The file holds a box of an impossible size</source>
        <translation>Le fichier contient une boîte de taille impossible</translation>
    </message>
    <message>
        <source>The file holds no still image</source>
        <translation>Le fichier ne contient aucune image fixe</translation>
    </message>
    <message>
        <source>Decoding the image would take more pixels than this program decodes</source>
        <translation>Décoder l’image demanderait plus de pixels que ce programme n’en décode</translation>
    </message>
    <message>
        <source>The primary image holds no coded image</source>
        <translation>L’image principale ne contient aucune image codée</translation>
    </message>
    <message>
        <source>The file&apos;s images are nested too deeply</source>
        <translation>Les images du fichier sont trop imbriquées</translation>
    </message>
    <message>
        <source>The file&apos;s item references form a loop</source>
        <translation>Les références entre éléments du fichier forment une boucle</translation>
    </message>
    <message>
        <source>The file refers to an image it does not hold</source>
        <translation>Le fichier renvoie à une image qu’il ne contient pas</translation>
    </message>
    <message>
        <source>The image is encrypted</source>
        <translation>L’image est chiffrée</translation>
    </message>
    <message>
        <source>The image is coded as &apos;%1&apos;, which this program does not decode</source>
        <translation>L’image est codée en « %1 », que ce programme ne décode pas</translation>
    </message>
    <message>
        <source>An image of the file states no size</source>
        <translation>Une image du fichier n’indique pas de taille</translation>
    </message>
    <message>
        <source>An image&apos;s coded size does not match its stated size</source>
        <translation>La taille codée d’une image ne correspond pas à sa taille annoncée</translation>
    </message>
    <message>
        <source>An HEVC image of the file has no decoder configuration</source>
        <translation>Une image HEVC du fichier n’a pas de configuration de décodeur</translation>
    </message>
    <message>
        <source>An HEVC image of the file has a damaged configuration</source>
        <translation>Une image HEVC du fichier a une configuration endommagée</translation>
    </message>
    <message>
        <source>An HEVC image of the file is damaged</source>
        <translation>Une image HEVC du fichier est endommagée</translation>
    </message>
    <message>
        <source>An HEVC image of the file has no sequence parameter set</source>
        <translation>Une image HEVC du fichier n’a pas de jeu de paramètres de séquence</translation>
    </message>
    <message>
        <source>An AV1 image of the file has no decoder configuration</source>
        <translation>Une image AV1 du fichier n’a pas de configuration de décodeur</translation>
    </message>
    <message>
        <source>An AV1 image of the file is damaged</source>
        <translation>Une image AV1 du fichier est endommagée</translation>
    </message>
    <message>
        <source>An AV1 image of the file has no sequence header</source>
        <translation>Une image AV1 du fichier n’a pas d’en-tête de séquence</translation>
    </message>
    <message>
        <source>A derived image of the file has no single source</source>
        <translation>Une image dérivée du fichier n’a pas de source unique</translation>
    </message>
    <message>
        <source>A grid or overlay of the file is damaged</source>
        <translation>Une grille ou une superposition du fichier est endommagée</translation>
    </message>
    <message>
        <source>The file ends before its pixels do</source>
        <translation>Le fichier s’arrête avant ses derniers pixels</translation>
    </message>
    <message>
        <source>The image is too large: %1 x %2 pixels</source>
        <translation>L’image est trop grande : %1 × %2 pixels</translation>
    </message>
    <message>
        <source>The file is far too small for %1 x %2 pixels</source>
        <translation>Le fichier est bien trop petit pour %1 × %2 pixels</translation>
    </message>
    <message>
        <source>It holds no image of a usable size</source>
        <translation>Il ne contient aucune image de taille utilisable</translation>
    </message>
</context>
<context>
    <name>ConversionRun</name>
    <message>
        <source>in progress...</source>
        <translation>En cours…</translation>
    </message>
    <message>
        <source>Removing EXIF for %1 of %2 ...</source>
        <translation>Suppression des métadonnées : %1 sur %2…</translation>
    </message>
</context>
<context>
    <name>CopyCheck</name>
    <message>
        <source>the copy could not be checked: %1</source>
        <translation>la copie n’a pas pu être vérifiée : %1</translation>
    </message>
    <message>
        <source> and %1 more</source>
        <translation> et %1 autres</translation>
    </message>
    <message>
        <source>the copy still held: %1</source>
        <translation>la copie contenait encore : %1</translation>
    </message>
</context>
<context>
    <name>ExifValues</name>
    <message>
        <source>Not defined</source>
        <translation>Non défini</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuel</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Automatique</translation>
    </message>
    <message>
        <source>Aperture priority</source>
        <translation>Priorité à l’ouverture</translation>
    </message>
    <message>
        <source>Shutter priority</source>
        <translation>Priorité à la vitesse</translation>
    </message>
    <message>
        <source>Creative program</source>
        <translation>Programme créatif</translation>
    </message>
    <message>
        <source>Action program</source>
        <translation>Programme action</translation>
    </message>
    <message>
        <source>Portrait mode</source>
        <translation>Mode portrait</translation>
    </message>
    <message>
        <source>Landscape mode</source>
        <translation>Mode paysage</translation>
    </message>
    <message>
        <source>Average</source>
        <translation>Moyenne</translation>
    </message>
    <message>
        <source>Center weighted average</source>
        <translation>Moyenne pondérée au centre</translation>
    </message>
    <message>
        <source>Spot</source>
        <translation>Spot</translation>
    </message>
    <message>
        <source>Multi-spot</source>
        <translation>Multi-spot</translation>
    </message>
    <message>
        <source>Multi-segment</source>
        <translation>Multizone</translation>
    </message>
    <message>
        <source>Partial</source>
        <translation>Partielle</translation>
    </message>
    <message>
        <source>Daylight</source>
        <translation>Lumière du jour</translation>
    </message>
    <message>
        <source>Fluorescent</source>
        <translation>Fluorescent</translation>
    </message>
    <message>
        <source>Tungsten (incandescent light)</source>
        <translation>Tungstène (lampe à incandescence)</translation>
    </message>
    <message>
        <source>Flash</source>
        <translation>Flash</translation>
    </message>
    <message>
        <source>Fine weather</source>
        <translation>Beau temps</translation>
    </message>
    <message>
        <source>Cloudy weather</source>
        <translation>Temps nuageux</translation>
    </message>
    <message>
        <source>Shade</source>
        <translation>Ombre</translation>
    </message>
    <message>
        <source>Daylight fluorescent (D 5700 - 7100K)</source>
        <translation>Fluorescent lumière du jour (D 5700–7100 K)</translation>
    </message>
    <message>
        <source>Day white fluorescent (N 4600 - 5400K)</source>
        <translation>Fluorescent blanc neutre (N 4600–5400 K)</translation>
    </message>
    <message>
        <source>Cool white fluorescent (W 3900 - 4500K)</source>
        <translation>Fluorescent blanc froid (W 3900–4500 K)</translation>
    </message>
    <message>
        <source>White fluorescent (WW 3200 - 3700K)</source>
        <translation>Fluorescent blanc (WW 3200–3700 K)</translation>
    </message>
    <message>
        <source>Standard light A</source>
        <translation>Lumière standard A</translation>
    </message>
    <message>
        <source>Standard light B</source>
        <translation>Lumière standard B</translation>
    </message>
    <message>
        <source>Standard light C</source>
        <translation>Lumière standard C</translation>
    </message>
    <message>
        <source>ISO studio tungsten</source>
        <translation>Tungstène de studio ISO</translation>
    </message>
    <message>
        <source>No flash</source>
        <translation>Sans flash</translation>
    </message>
    <message>
        <source>Fired</source>
        <translation>Déclenché</translation>
    </message>
    <message>
        <source>Fired, return light not detected</source>
        <translation>Déclenché, retour de lumière non détecté</translation>
    </message>
    <message>
        <source>Fired, return light detected</source>
        <translation>Déclenché, retour de lumière détecté</translation>
    </message>
    <message>
        <source>Yes, did not fire</source>
        <translation>Oui, non déclenché</translation>
    </message>
    <message>
        <source>Yes, compulsory</source>
        <translation>Oui, forcé</translation>
    </message>
    <message>
        <source>Yes, compulsory, return light not detected</source>
        <translation>Oui, forcé, retour de lumière non détecté</translation>
    </message>
    <message>
        <source>Yes, compulsory, return light detected</source>
        <translation>Oui, forcé, retour de lumière détecté</translation>
    </message>
    <message>
        <source>No, compulsory</source>
        <translation>Non, forcé</translation>
    </message>
    <message>
        <source>No, did not fire, return light not detected</source>
        <translation>Non, non déclenché, retour de lumière non détecté</translation>
    </message>
    <message>
        <source>No, auto</source>
        <translation>Non, automatique</translation>
    </message>
    <message>
        <source>Yes, auto</source>
        <translation>Oui, automatique</translation>
    </message>
    <message>
        <source>Yes, auto, return light not detected</source>
        <translation>Oui, automatique, retour de lumière non détecté</translation>
    </message>
    <message>
        <source>Yes, auto, return light detected</source>
        <translation>Oui, automatique, retour de lumière détecté</translation>
    </message>
    <message>
        <source>No flash function</source>
        <translation>Pas de fonction flash</translation>
    </message>
    <message>
        <source>Yes, red-eye reduction</source>
        <translation>Oui, réduction des yeux rouges</translation>
    </message>
    <message>
        <source>Yes, red-eye reduction, return light not detected</source>
        <translation>Oui, réduction des yeux rouges, retour de lumière non détecté</translation>
    </message>
    <message>
        <source>Yes, red-eye reduction, return light detected</source>
        <translation>Oui, réduction des yeux rouges, retour de lumière détecté</translation>
    </message>
    <message>
        <source>Yes, compulsory, red-eye reduction</source>
        <translation>Oui, forcé, réduction des yeux rouges</translation>
    </message>
    <message>
        <source>Yes, compulsory, red-eye reduction, return light not detected</source>
        <translation>Oui, forcé, réduction des yeux rouges, retour de lumière non détecté</translation>
    </message>
    <message>
        <source>Yes, compulsory, red-eye reduction, return light detected</source>
        <translation>Oui, forcé, réduction des yeux rouges, retour de lumière détecté</translation>
    </message>
    <message>
        <source>No, red-eye reduction</source>
        <translation>Non, réduction des yeux rouges</translation>
    </message>
    <message>
        <source>No, auto, red-eye reduction</source>
        <translation>Non, automatique, réduction des yeux rouges</translation>
    </message>
    <message>
        <source>Yes, auto, red-eye reduction</source>
        <translation>Oui, automatique, réduction des yeux rouges</translation>
    </message>
    <message>
        <source>Yes, auto, red-eye reduction, return light not detected</source>
        <translation>Oui, automatique, réduction des yeux rouges, retour de lumière non détecté</translation>
    </message>
    <message>
        <source>Yes, auto, red-eye reduction, return light detected</source>
        <translation>Oui, automatique, réduction des yeux rouges, retour de lumière détecté</translation>
    </message>
    <message>
        <source>One-chip color area</source>
        <translation>Capteur couleur à une puce</translation>
    </message>
    <message>
        <source>Two-chip color area</source>
        <translation>Capteur couleur à deux puces</translation>
    </message>
    <message>
        <source>Three-chip color area</source>
        <translation>Capteur couleur à trois puces</translation>
    </message>
    <message>
        <source>Color sequential area</source>
        <translation>Capteur séquentiel couleur</translation>
    </message>
    <message>
        <source>Trilinear sensor</source>
        <translation>Capteur trilinéaire</translation>
    </message>
    <message>
        <source>Color sequential linear</source>
        <translation>Capteur linéaire séquentiel couleur</translation>
    </message>
    <message>
        <source>Normal process</source>
        <translation>Traitement normal</translation>
    </message>
    <message>
        <source>Custom process</source>
        <translation>Traitement personnalisé</translation>
    </message>
    <message>
        <source>Auto bracket</source>
        <translation>Bracketing automatique</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Paysage</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Portrait</translation>
    </message>
    <message>
        <source>Night scene</source>
        <translation>Scène de nuit</translation>
    </message>
    <message>
        <source>Low gain up</source>
        <translation>Gain faible</translation>
    </message>
    <message>
        <source>High gain up</source>
        <translation>Gain élevé</translation>
    </message>
    <message>
        <source>Low gain down</source>
        <translation>Atténuation faible</translation>
    </message>
    <message>
        <source>High gain down</source>
        <translation>Atténuation forte</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Soft</source>
        <translation>Doux</translation>
    </message>
    <message>
        <source>Hard</source>
        <translation>Dur</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Faible</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Élevé</translation>
    </message>
    <message>
        <source>Macro</source>
        <translation>Macro</translation>
    </message>
    <message>
        <source>Close view</source>
        <translation>Vue rapprochée</translation>
    </message>
    <message>
        <source>Distant view</source>
        <translation>Vue éloignée</translation>
    </message>
    <message>
        <source>Above sea level</source>
        <translation>Au-dessus du niveau de la mer</translation>
    </message>
    <message>
        <source>Below sea level</source>
        <translation>Au-dessous du niveau de la mer</translation>
    </message>
    <message>
        <source>NonComposite</source>
        <translation>Pas une image composite</translation>
    </message>
    <message>
        <source>GeneralComposite</source>
        <translation>Image composite</translation>
    </message>
    <message>
        <source>North</source>
        <translation>Nord</translation>
    </message>
    <message>
        <source>South</source>
        <translation>Sud</translation>
    </message>
    <message>
        <source>East</source>
        <translation>Est</translation>
    </message>
    <message>
        <source>West</source>
        <translation>Ouest</translation>
    </message>
    <message>
        <source>Measurement in progress</source>
        <translation>Mesure en cours</translation>
    </message>
    <message>
        <source>Measurement Interoperability</source>
        <translation>Mesure interrompue</translation>
    </message>
    <message>
        <source>Two-dimensional measurement</source>
        <translation>Mesure bidimensionnelle</translation>
    </message>
    <message>
        <source>Three-dimensional measurement</source>
        <translation>Mesure tridimensionnelle</translation>
    </message>
    <message>
        <source>True direction</source>
        <translation>Direction vraie</translation>
    </message>
    <message>
        <source>Magnetic direction</source>
        <translation>Direction magnétique</translation>
    </message>
    <message>
        <source>km/h</source>
        <translation>km/h</translation>
    </message>
    <message>
        <source>mph</source>
        <translation>mi/h</translation>
    </message>
    <message>
        <source>knots</source>
        <translation>nœuds</translation>
    </message>
    <message>
        <source>Kilometers</source>
        <translation>Kilomètres</translation>
    </message>
    <message>
        <source>Miles</source>
        <translation>Milles</translation>
    </message>
    <message>
        <source>Knots</source>
        <translation>Nœuds</translation>
    </message>
    <message>
        <source>Without correction</source>
        <translation>Sans correction</translation>
    </message>
    <message>
        <source>Correction applied</source>
        <translation>Correction appliquée</translation>
    </message>
</context>
<context>
    <name>FileConversion</name>
    <message>
        <source>only %1 of its %2 rows were in the file</source>
        <translation>seules %1 de ses %2 lignes étaient dans le fichier</translation>
    </message>
    <message>
        <source>the file ends early: every row was in it, with less detail</source>
        <translation>le fichier s’arrête trop tôt : chaque ligne y était, avec moins de détails</translation>
    </message>
    <message>
        <source>the frames could not be kept: %1</source>
        <translation>les images de l’animation n’ont pas pu être conservées : %1</translation>
    </message>
    <message>
        <source>first of %1 pages</source>
        <translation>première page sur %1</translation>
    </message>
    <message>
        <source>first of %1 frames</source>
        <translation>première image sur %1</translation>
    </message>
    <message>
        <source>re-encoded at quality %1: %2</source>
        <translation>réencodée en qualité %1 : %2</translation>
    </message>
    <message>
        <source>re-encoded: %1</source>
        <translation>réencodée : %1</translation>
    </message>
</context>
<context>
    <name>FileTableModel</name>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Date de modification</translation>
    </message>
    <message>
        <source>Personal Data</source>
        <translation>Données personnelles</translation>
    </message>
</context>
<context>
    <name>InspectionCache</name>
    <message>
        <source>the file cannot be read</source>
        <translation>le fichier est illisible</translation>
    </message>
</context>
<context>
    <name>InspectionPanel</name>
    <message>
        <source>Location</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Appareil</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>People</source>
        <translation>Personnes</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Textes</translation>
    </message>
    <message>
        <source>Hidden</source>
        <translation>Caché</translation>
    </message>
    <message>
        <source>Reading…</source>
        <translation>Lecture…</translation>
    </message>
    <message>
        <source>Not read: %1</source>
        <translation>Non lu : %1</translation>
    </message>
    <message>
        <source>Nothing personal found</source>
        <translation>Rien de personnel trouvé</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>Copy Location</source>
        <translation>Copier le lieu</translation>
    </message>
    <message>
        <source>What the photo gives away</source>
        <translation>Ce que la photo révèle</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>Champ</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valeur</translation>
    </message>
    <message>
        <source>Personal data</source>
        <translation>Données personnelles</translation>
    </message>
    <message>
        <source>Copies the photo&apos;s position as latitude and longitude</source>
        <translation>Copie la position de la photo en latitude et longitude</translation>
    </message>
    <message>
        <source>No photo selected</source>
        <translation>Aucune photo sélectionnée</translation>
    </message>
    <message>
        <source>Select a photo to see what it gives away.</source>
        <translation>Sélectionnez une photo pour voir ce qu’elle révèle.</translation>
    </message>
    <message>
        <source>Gives away: %1</source>
        <translation>Révèle : %1</translation>
    </message>
</context>
<context>
    <name>MainNib</name>
    <message>
        <source>About Morvane</source>
        <translation>À propos de Morvane</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Morvane %1&lt;/b&gt;&lt;/p&gt;&lt;p&gt;Removes what photos give away about the people behind them.&lt;/p&gt;&lt;p&gt;Every image is read in a separate worker process that can reach no file, network or program: %2.&lt;/p&gt;&lt;p&gt;GNU General Public License, version 3 or later.&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Morvane %1&lt;/b&gt;&lt;/p&gt;&lt;p&gt;Retire ce que les photos révèlent des personnes qui sont derrière.&lt;/p&gt;&lt;p&gt;Chaque image est lue dans un processus séparé qui n’atteint ni fichier, ni réseau, ni programme : %2.&lt;/p&gt;&lt;p&gt;Licence publique générale GNU, version 3 ou ultérieure.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Their compressed picture is carried into the clean copy as it is: the pixels stay exactly those of the photo. Chosen as JPEG, they are decoded and written at the quality above.</source>
        <translation>Leur image compressée passe telle quelle dans la copie nettoyée : les pixels restent exactement ceux de la photo. Avec JPEG choisi, elles sont décodées et écrites à la qualité ci-dessus.</translation>
    </message>
    <message>
        <source>HEIC, AVIF and WebP in their own format are never re-encoded</source>
        <translation>Les HEIC, AVIF et WebP dans leur propre format ne sont jamais réencodés</translation>
    </message>
    <message>
        <source>Morvane</source>
        <translation>Morvane</translation>
    </message>
    <message>
        <source>Drop photos or folders here</source>
        <translation>Déposez des photos ou des dossiers ici</translation>
    </message>
    <message>
        <source>Morvane saves clean copies without camera, location or date details.
Your original photos are never changed.</source>
        <translation>Morvane enregistre des copies nettoyées, sans informations d’appareil, de lieu ni de date.
Vos photos d’origine ne sont jamais modifiées.</translation>
    </message>
    <message>
        <source>Add Images…</source>
        <translation>Ajouter des images…</translation>
    </message>
    <message>
        <source>Add Folder…</source>
        <translation>Ajouter un dossier…</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Fichiers</translation>
    </message>
    <message>
        <source>List or thumbnails</source>
        <translation>Liste ou vignettes</translation>
    </message>
    <message>
        <source>JPEG quality:</source>
        <translation>Qualité JPEG :</translation>
    </message>
    <message>
        <source>Quality of the JPEG copies, from 0 (smallest file) to 100 (best picture)</source>
        <translation>Qualité des copies JPEG, de 0 (fichier le plus petit) à 100 (meilleure image)</translation>
    </message>
    <message>
        <source>Turn photos upright by their orientation tag before saving</source>
        <translation>Redresser les photos selon leur balise d’orientation avant l’enregistrement</translation>
    </message>
    <message>
        <source>Turn photos upright</source>
        <translation>Redresser les photos</translation>
    </message>
    <message>
        <source>Clean JPEGs saved as JPEG without re-encoding them: the picture stays exactly as it was. A photo whose size does not allow an exact turn is re-encoded at the quality above, and the summary says so.</source>
        <translation>Nettoyer les JPEG enregistrés en JPEG sans les réencoder : l’image reste exactement telle qu’elle était. Une photo dont la taille ne permet pas une rotation exacte est réencodée avec la qualité JPEG choisie, et le résumé le signale.</translation>
    </message>
    <message>
        <source>Keep JPEG quality (no re-encoding)</source>
        <translation>Conserver la qualité JPEG (sans réencodage)</translation>
    </message>
    <message>
        <source>&amp;Output format:</source>
        <translation>&amp;Format de sortie :</translation>
    </message>
    <message>
        <source>Write each photo in its own format, or every photo as a JPEG that every program opens</source>
        <translation>Écrire chaque photo dans son propre format, ou toutes en JPEG, un format que tous les programmes ouvrent</translation>
    </message>
    <message>
        <source>Same as the source</source>
        <translation>Identique à l’original</translation>
    </message>
    <message>
        <source>JPEG</source>
        <translation>JPEG</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Édition</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Barre d’outils</translation>
    </message>
    <message>
        <source>Add image files to the list</source>
        <translation>Ajouter des fichiers image à la liste</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>Add the images of a folder to the list</source>
        <translation>Ajouter les images d’un dossier à la liste</translation>
    </message>
    <message>
        <source>Ctrl+Shift+O</source>
        <translation>Ctrl+Shift+O</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Retirer</translation>
    </message>
    <message>
        <source>Remove the selected files from the list</source>
        <translation>Retirer les fichiers sélectionnés de la liste</translation>
    </message>
    <message>
        <source>Del</source>
        <translation>Del</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Vider</translation>
    </message>
    <message>
        <source>Remove every file from the list</source>
        <translation>Retirer tous les fichiers de la liste</translation>
    </message>
    <message>
        <source>Convert…</source>
        <translation>Convertir…</translation>
    </message>
    <message>
        <source>Save clean copies of the listed photos into a folder</source>
        <translation>Enregistrer des copies nettoyées des photos de la liste dans un dossier</translation>
    </message>
    <message>
        <source>Ctrl+Return</source>
        <translation>Ctrl+Return</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
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
        <translation>Vignettes</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;About Morvane</source>
        <translation>À &amp;propos de Morvane</translation>
    </message>
</context>
<context>
    <name>MetadataInspector</name>
    <message>
        <source>App in the file name</source>
        <translation>Application dans le nom du fichier</translation>
    </message>
    <message>
        <source>Device in the file name</source>
        <translation>Appareil dans le nom du fichier</translation>
    </message>
    <message>
        <source>Date in the file name</source>
        <translation>Date dans le nom du fichier</translation>
    </message>
    <message>
        <source>Date and time in the file name</source>
        <translation>Date et heure dans le nom du fichier</translation>
    </message>
    <message>
        <source>Camera make</source>
        <translation>Marque</translation>
    </message>
    <message>
        <source>Camera model</source>
        <translation>Modèle</translation>
    </message>
    <message>
        <source>Date modified</source>
        <translation>Modification</translation>
    </message>
    <message>
        <source>Date taken</source>
        <translation>Prise de vue</translation>
    </message>
    <message>
        <source>Date digitised</source>
        <translation>Numérisation</translation>
    </message>
    <message>
        <source>Time zone (modified)</source>
        <translation>Fuseau horaire (modification)</translation>
    </message>
    <message>
        <source>Time zone (taken)</source>
        <translation>Fuseau horaire (prise de vue)</translation>
    </message>
    <message>
        <source>Time zone (digitised)</source>
        <translation>Fuseau horaire (numérisation)</translation>
    </message>
    <message>
        <source>Comment (Windows)</source>
        <translation>Commentaire (Windows)</translation>
    </message>
    <message>
        <source>Author (Windows)</source>
        <translation>Auteur (Windows)</translation>
    </message>
    <message>
        <source>Keywords (Windows)</source>
        <translation>Mots-clés (Windows)</translation>
    </message>
    <message>
        <source>Title (Windows)</source>
        <translation>Titre (Windows)</translation>
    </message>
    <message>
        <source>Subject (Windows)</source>
        <translation>Objet (Windows)</translation>
    </message>
    <message>
        <source>GPS position</source>
        <translation>Position GPS</translation>
    </message>
    <message>
        <source>Altitude</source>
        <translation>Altitude</translation>
    </message>
    <message>
        <source>%1 m below sea level</source>
        <translation>%1 m sous le niveau de la mer</translation>
    </message>
    <message>
        <source>%1 m above sea level</source>
        <translation>%1 m d’altitude</translation>
    </message>
    <message>
        <source>GPS time</source>
        <translation>Heure GPS</translation>
    </message>
    <message>
        <source>Owner name (maker notes)</source>
        <translation>Nom du propriétaire (notes du fabricant)</translation>
    </message>
    <message>
        <source>Serial number (maker notes)</source>
        <translation>Numéro de série (notes du fabricant)</translation>
    </message>
    <message>
        <source>Firmware (maker notes)</source>
        <translation>Micrologiciel (notes du fabricant)</translation>
    </message>
    <message>
        <source>Maker notes</source>
        <translation>Notes du fabricant</translation>
    </message>
    <message>
        <source>Thumbnail (EXIF)</source>
        <translation>Vignette (EXIF)</translation>
    </message>
    <message>
        <source>present</source>
        <translation>présente</translation>
    </message>
    <message>
        <source>GPS position (XMP)</source>
        <translation>Position GPS (XMP)</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>c’est un dossier</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>ce n’est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>there is not enough memory to read it</source>
        <translation>la mémoire est insuffisante pour la lire</translation>
    </message>
    <message>
        <source>the file is too large (%1; files above %2 are not read)</source>
        <translation>le fichier est trop volumineux (%1 ; les fichiers de plus de %2 ne sont pas lus)</translation>
    </message>
    <message>
        <source>Linked colour profile</source>
        <translation>Profil de couleurs lié</translation>
    </message>
    <message>
        <source>Data between the header and the pixels</source>
        <translation>Données entre l’en-tête et les pixels</translation>
    </message>
    <message>
        <source>1 byte</source>
        <translation>1 octet</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 octets</translation>
    </message>
    <message>
        <source>Photoshop data</source>
        <translation>Données Photoshop</translation>
    </message>
    <message>
        <source>Thumbnail (Photoshop)</source>
        <translation>Vignette (Photoshop)</translation>
    </message>
    <message>
        <source>Photoshop resources</source>
        <translation>Ressources Photoshop</translation>
    </message>
    <message>
        <source>, with a JPEG image</source>
        <translation>, avec une image JPEG</translation>
    </message>
    <message>
        <source>, with %1 JPEG images</source>
        <translation>, avec %1 images JPEG</translation>
    </message>
    <message>
        <source>Data after the image</source>
        <translation>Données après l’image</translation>
    </message>
    <message>
        <source>Altitude reference</source>
        <translation>Référence d’altitude</translation>
    </message>
    <message>
        <source>Area name</source>
        <translation>Nom de la zone</translation>
    </message>
    <message>
        <source>Measurement precision</source>
        <translation>Précision de la mesure</translation>
    </message>
    <message>
        <source>GPS date</source>
        <translation>Date GPS</translation>
    </message>
    <message>
        <source>Destination bearing</source>
        <translation>Cap vers la destination</translation>
    </message>
    <message>
        <source>Destination bearing reference</source>
        <translation>Référence du cap vers la destination</translation>
    </message>
    <message>
        <source>Destination distance</source>
        <translation>Distance de la destination</translation>
    </message>
    <message>
        <source>Destination distance unit</source>
        <translation>Unité de distance de la destination</translation>
    </message>
    <message>
        <source>Destination latitude</source>
        <translation>Latitude de la destination</translation>
    </message>
    <message>
        <source>Destination latitude reference</source>
        <translation>Référence de latitude de la destination</translation>
    </message>
    <message>
        <source>Destination longitude</source>
        <translation>Longitude de la destination</translation>
    </message>
    <message>
        <source>Destination longitude reference</source>
        <translation>Référence de longitude de la destination</translation>
    </message>
    <message>
        <source>Differential correction</source>
        <translation>Correction différentielle</translation>
    </message>
    <message>
        <source>Horizontal positioning error</source>
        <translation>Erreur de positionnement horizontal</translation>
    </message>
    <message>
        <source>Image direction</source>
        <translation>Direction de prise de vue</translation>
    </message>
    <message>
        <source>Image direction reference</source>
        <translation>Référence de la direction de prise de vue</translation>
    </message>
    <message>
        <source>Latitude</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <source>Latitude reference</source>
        <translation>Référence de latitude</translation>
    </message>
    <message>
        <source>Longitude</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <source>Longitude reference</source>
        <translation>Référence de longitude</translation>
    </message>
    <message>
        <source>Map datum</source>
        <translation>Système géodésique</translation>
    </message>
    <message>
        <source>Measure mode</source>
        <translation>Mode de mesure GPS</translation>
    </message>
    <message>
        <source>Positioning method</source>
        <translation>Méthode de positionnement</translation>
    </message>
    <message>
        <source>Satellites</source>
        <translation>Satellites</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Vitesse</translation>
    </message>
    <message>
        <source>Speed unit</source>
        <translation>Unité de vitesse</translation>
    </message>
    <message>
        <source>Receiver status</source>
        <translation>État du récepteur</translation>
    </message>
    <message>
        <source>Direction of movement</source>
        <translation>Direction du déplacement</translation>
    </message>
    <message>
        <source>Direction of movement reference</source>
        <translation>Référence de la direction du déplacement</translation>
    </message>
    <message>
        <source>GPS version</source>
        <translation>Version GPS</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Auteur</translation>
    </message>
    <message>
        <source>Battery level</source>
        <translation>Niveau de batterie</translation>
    </message>
    <message>
        <source>Camera serial number</source>
        <translation>Numéro de série de l’appareil</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Mention de droits d’auteur</translation>
    </message>
    <message>
        <source>DNG private data</source>
        <translation>Données privées DNG</translation>
    </message>
    <message>
        <source>Document name</source>
        <translation>Nom du document</translation>
    </message>
    <message>
        <source>Host computer</source>
        <translation>Ordinateur hôte</translation>
    </message>
    <message>
        <source>Image description</source>
        <translation>Description de l’image</translation>
    </message>
    <message>
        <source>Image history</source>
        <translation>Historique de l’image</translation>
    </message>
    <message>
        <source>Image ID</source>
        <translation>Identifiant de l’image</translation>
    </message>
    <message>
        <source>Image number</source>
        <translation>Numéro de l’image</translation>
    </message>
    <message>
        <source>Localised camera model</source>
        <translation>Modèle d’appareil localisé</translation>
    </message>
    <message>
        <source>Maker note safety</source>
        <translation>Sûreté des notes du fabricant</translation>
    </message>
    <message>
        <source>Subfile type</source>
        <translation>Type de sous-fichier</translation>
    </message>
    <message>
        <source>Original raw file data</source>
        <translation>Données du fichier brut d’origine</translation>
    </message>
    <message>
        <source>Original raw file name</source>
        <translation>Nom d’origine du fichier brut</translation>
    </message>
    <message>
        <source>Page name</source>
        <translation>Nom de la page</translation>
    </message>
    <message>
        <source>Predictor</source>
        <translation>Prédicteur</translation>
    </message>
    <message>
        <source>Preview application</source>
        <translation>Application d’aperçu</translation>
    </message>
    <message>
        <source>Preview date</source>
        <translation>Date de l’aperçu</translation>
    </message>
    <message>
        <source>Print image matching</source>
        <translation>Correspondance d’impression (PIM)</translation>
    </message>
    <message>
        <source>Processing software</source>
        <translation>Logiciel de traitement</translation>
    </message>
    <message>
        <source>Camera profile copyright</source>
        <translation>Droits d’auteur du profil de l’appareil</translation>
    </message>
    <message>
        <source>Camera profile name</source>
        <translation>Nom du profil de l’appareil</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Rating in percent</source>
        <translation>Note en pourcentage</translation>
    </message>
    <message>
        <source>Raw data unique ID</source>
        <translation>Identifiant unique des données brutes</translation>
    </message>
    <message>
        <source>Security classification</source>
        <translation>Classification de sécurité</translation>
    </message>
    <message>
        <source>Self-timer mode</source>
        <translation>Retardateur</translation>
    </message>
    <message>
        <source>Software</source>
        <translation>Logiciel</translation>
    </message>
    <message>
        <source>Target printer</source>
        <translation>Imprimante cible</translation>
    </message>
    <message>
        <source>Time zone offset</source>
        <translation>Décalage horaire</translation>
    </message>
    <message>
        <source>Unique camera model</source>
        <translation>Modèle d’appareil unique</translation>
    </message>
    <message>
        <source>Image title</source>
        <translation>Titre de l’image</translation>
    </message>
    <message>
        <source>Photographer</source>
        <translation>Photographe</translation>
    </message>
    <message>
        <source>Image editor</source>
        <translation>Retoucheur</translation>
    </message>
    <message>
        <source>Acceleration</source>
        <translation>Accélération</translation>
    </message>
    <message>
        <source>Aperture</source>
        <translation>Ouverture</translation>
    </message>
    <message>
        <source>Body serial number</source>
        <translation>Numéro de série du boîtier</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Luminosité</translation>
    </message>
    <message>
        <source>Colour filter array pattern</source>
        <translation>Motif du filtre de couleurs</translation>
    </message>
    <message>
        <source>Camera elevation angle</source>
        <translation>Angle d’élévation de l’appareil</translation>
    </message>
    <message>
        <source>Camera owner</source>
        <translation>Propriétaire de l’appareil</translation>
    </message>
    <message>
        <source>Composite image</source>
        <translation>Image composite</translation>
    </message>
    <message>
        <source>Compressed bits per pixel</source>
        <translation>Bits compressés par pixel</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>Custom rendering</source>
        <translation>Rendu personnalisé</translation>
    </message>
    <message>
        <source>Device settings</source>
        <translation>Réglages de l’appareil</translation>
    </message>
    <message>
        <source>Digital zoom ratio</source>
        <translation>Rapport de zoom numérique</translation>
    </message>
    <message>
        <source>Exposure compensation</source>
        <translation>Correction d’exposition</translation>
    </message>
    <message>
        <source>Exposure index</source>
        <translation>Indice d’exposition</translation>
    </message>
    <message>
        <source>Exposure mode</source>
        <translation>Mode d’exposition</translation>
    </message>
    <message>
        <source>Exposure program</source>
        <translation>Programme d’exposition</translation>
    </message>
    <message>
        <source>Exposure time</source>
        <translation>Temps de pose</translation>
    </message>
    <message>
        <source>F-number</source>
        <translation>Nombre d’ouverture</translation>
    </message>
    <message>
        <source>File source</source>
        <translation>Source du fichier</translation>
    </message>
    <message>
        <source>Flash</source>
        <translation>Flash</translation>
    </message>
    <message>
        <source>Flash energy</source>
        <translation>Énergie du flash</translation>
    </message>
    <message>
        <source>Focal length</source>
        <translation>Focale</translation>
    </message>
    <message>
        <source>Focal length in 35 mm film</source>
        <translation>Focale en équivalent 35 mm</translation>
    </message>
    <message>
        <source>Focal plane resolution unit</source>
        <translation>Unité de résolution du plan focal</translation>
    </message>
    <message>
        <source>Focal plane horizontal resolution</source>
        <translation>Résolution horizontale du plan focal</translation>
    </message>
    <message>
        <source>Focal plane vertical resolution</source>
        <translation>Résolution verticale du plan focal</translation>
    </message>
    <message>
        <source>Gain control</source>
        <translation>Contrôle du gain</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>Humidité</translation>
    </message>
    <message>
        <source>ISO speed value</source>
        <translation>Valeur ISO</translation>
    </message>
    <message>
        <source>ISO speed latitude yyy</source>
        <translation>Latitude ISO yyy</translation>
    </message>
    <message>
        <source>ISO speed latitude zzz</source>
        <translation>Latitude ISO zzz</translation>
    </message>
    <message>
        <source>ISO speed</source>
        <translation>Sensibilité ISO</translation>
    </message>
    <message>
        <source>Unique image ID</source>
        <translation>Identifiant unique de l’image</translation>
    </message>
    <message>
        <source>Lens make</source>
        <translation>Marque de l’objectif</translation>
    </message>
    <message>
        <source>Lens model</source>
        <translation>Modèle de l’objectif</translation>
    </message>
    <message>
        <source>Lens serial number</source>
        <translation>Numéro de série de l’objectif</translation>
    </message>
    <message>
        <source>Light source</source>
        <translation>Source lumineuse</translation>
    </message>
    <message>
        <source>Largest aperture</source>
        <translation>Ouverture maximale</translation>
    </message>
    <message>
        <source>Metering mode</source>
        <translation>Mode de mesure</translation>
    </message>
    <message>
        <source>Opto-electronic conversion function</source>
        <translation>Fonction de conversion optoélectronique</translation>
    </message>
    <message>
        <source>Air pressure</source>
        <translation>Pression atmosphérique</translation>
    </message>
    <message>
        <source>Recommended exposure index</source>
        <translation>Indice d’exposition recommandé</translation>
    </message>
    <message>
        <source>Related sound file</source>
        <translation>Fichier son associé</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Saturation des couleurs</translation>
    </message>
    <message>
        <source>Scene capture type</source>
        <translation>Type de capture de scène</translation>
    </message>
    <message>
        <source>Scene type</source>
        <translation>Type de scène</translation>
    </message>
    <message>
        <source>Sensing method</source>
        <translation>Méthode de détection</translation>
    </message>
    <message>
        <source>Sensitivity type</source>
        <translation>Type de sensibilité</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Netteté</translation>
    </message>
    <message>
        <source>Shutter speed</source>
        <translation>Vitesse d’obturation</translation>
    </message>
    <message>
        <source>Exposure times of the composite</source>
        <translation>Temps de pose de la composition</translation>
    </message>
    <message>
        <source>Source images of the composite</source>
        <translation>Images sources de la composition</translation>
    </message>
    <message>
        <source>Spatial frequency response</source>
        <translation>Réponse en fréquence spatiale</translation>
    </message>
    <message>
        <source>Spectral sensitivity</source>
        <translation>Sensibilité spectrale</translation>
    </message>
    <message>
        <source>Standard output sensitivity</source>
        <translation>Sensibilité de sortie standard</translation>
    </message>
    <message>
        <source>Fraction of a second (modified)</source>
        <translation>Fraction de seconde (modification)</translation>
    </message>
    <message>
        <source>Fraction of a second (digitised)</source>
        <translation>Fraction de seconde (numérisation)</translation>
    </message>
    <message>
        <source>Fraction of a second (taken)</source>
        <translation>Fraction de seconde (prise de vue)</translation>
    </message>
    <message>
        <source>Subject area</source>
        <translation>Zone du sujet</translation>
    </message>
    <message>
        <source>Subject distance</source>
        <translation>Distance du sujet</translation>
    </message>
    <message>
        <source>Subject distance range</source>
        <translation>Plage de distance du sujet</translation>
    </message>
    <message>
        <source>Subject location</source>
        <translation>Position du sujet</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Température</translation>
    </message>
    <message>
        <source>User comment</source>
        <translation>Commentaire de l’utilisateur</translation>
    </message>
    <message>
        <source>Water depth</source>
        <translation>Profondeur d’eau</translation>
    </message>
    <message>
        <source>White balance</source>
        <translation>Balance des blancs</translation>
    </message>
    <message>
        <source>Action advised</source>
        <translation>Action conseillée</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Auteur</translation>
    </message>
    <message>
        <source>Author&apos;s position</source>
        <translation>Fonction de l’auteur</translation>
    </message>
    <message>
        <source>Caption</source>
        <translation>Légende</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Catégorie</translation>
    </message>
    <message>
        <source>City</source>
        <translation>Ville</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>Country code</source>
        <translation>Code du pays</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Pays</translation>
    </message>
    <message>
        <source>Credit</source>
        <translation>Crédit</translation>
    </message>
    <message>
        <source>Date created</source>
        <translation>Date de création</translation>
    </message>
    <message>
        <source>Time digitised</source>
        <translation>Heure de numérisation</translation>
    </message>
    <message>
        <source>Edit status</source>
        <translation>État de la rédaction</translation>
    </message>
    <message>
        <source>Expiration date</source>
        <translation>Date d’expiration</translation>
    </message>
    <message>
        <source>Expiration time</source>
        <translation>Heure d’expiration</translation>
    </message>
    <message>
        <source>Fixture identifier</source>
        <translation>Identifiant de rubrique</translation>
    </message>
    <message>
        <source>Headline</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Image orientation</source>
        <translation>Orientation de l’image</translation>
    </message>
    <message>
        <source>Image type</source>
        <translation>Type d’image</translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation>Mots-clés</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
    <message>
        <source>Location code</source>
        <translation>Code du lieu</translation>
    </message>
    <message>
        <source>Location name</source>
        <translation>Nom du lieu</translation>
    </message>
    <message>
        <source>Object attribute</source>
        <translation>Attribut de l’objet</translation>
    </message>
    <message>
        <source>Object name</source>
        <translation>Nom de l’objet</translation>
    </message>
    <message>
        <source>Object type</source>
        <translation>Type d’objet</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Aperçu</translation>
    </message>
    <message>
        <source>Preview format</source>
        <translation>Format de l’aperçu</translation>
    </message>
    <message>
        <source>Preview version</source>
        <translation>Version de l’aperçu</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programme</translation>
    </message>
    <message>
        <source>Program version</source>
        <translation>Version du programme</translation>
    </message>
    <message>
        <source>Province or state</source>
        <translation>Province ou État</translation>
    </message>
    <message>
        <source>Reference date</source>
        <translation>Date de référence</translation>
    </message>
    <message>
        <source>Release date</source>
        <translation>Date de publication</translation>
    </message>
    <message>
        <source>Release time</source>
        <translation>Heure de publication</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Special instructions</source>
        <translation>Instructions particulières</translation>
    </message>
    <message>
        <source>Sublocation</source>
        <translation>Quartier</translation>
    </message>
    <message>
        <source>Subject reference</source>
        <translation>Référence du sujet</translation>
    </message>
    <message>
        <source>Supplemental category</source>
        <translation>Catégorie supplémentaire</translation>
    </message>
    <message>
        <source>Time created</source>
        <translation>Heure de création</translation>
    </message>
    <message>
        <source>Job identifier</source>
        <translation>Référence de transmission</translation>
    </message>
    <message>
        <source>Urgency</source>
        <translation>Urgence</translation>
    </message>
    <message>
        <source>Caption writer</source>
        <translation>Rédacteur de la légende</translation>
    </message>
    <message>
        <source>Date sent</source>
        <translation>Date d’envoi</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Destinataire</translation>
    </message>
    <message>
        <source>Envelope number</source>
        <translation>Numéro d’enveloppe</translation>
    </message>
    <message>
        <source>Product identifier</source>
        <translation>Identifiant du produit</translation>
    </message>
    <message>
        <source>Service identifier</source>
        <translation>Identifiant du service</translation>
    </message>
    <message>
        <source>Time sent</source>
        <translation>Heure d’envoi</translation>
    </message>
    <message>
        <source>Unique name of the object</source>
        <translation>Nom unique de l’objet</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Postal code</source>
        <translation>Code postal</translation>
    </message>
    <message>
        <source>E-mail</source>
        <translation>Courriel</translation>
    </message>
    <message>
        <source>Phone</source>
        <translation>Téléphone</translation>
    </message>
    <message>
        <source>Website</source>
        <translation>Site web</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>World region</source>
        <translation>Région du monde</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Modifié</translation>
    </message>
    <message>
        <source>Document ID</source>
        <translation>Identifiant du document</translation>
    </message>
    <message>
        <source>Instance ID</source>
        <translation>Identifiant d’instance</translation>
    </message>
    <message>
        <source>Original document ID</source>
        <translation>Identifiant du document d’origine</translation>
    </message>
    <message>
        <source>Parameters</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <source>When</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Approximate focus distance</source>
        <translation>Distance de mise au point approximative</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Micrologiciel</translation>
    </message>
    <message>
        <source>Flash compensation</source>
        <translation>Correction du flash</translation>
    </message>
    <message>
        <source>Lens</source>
        <translation>Objectif</translation>
    </message>
    <message>
        <source>Lens ID</source>
        <translation>Identifiant de l’objectif</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Numéro de série</translation>
    </message>
    <message>
        <source>Contributor</source>
        <translation>Contributeur</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>Couverture</translation>
    </message>
    <message>
        <source>Creator</source>
        <translation>Créateur</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Identifier</source>
        <translation>Identifiant</translation>
    </message>
    <message>
        <source>Publisher</source>
        <translation>Éditeur</translation>
    </message>
    <message>
        <source>Relation</source>
        <translation>Relation</translation>
    </message>
    <message>
        <source>Rights</source>
        <translation>Droits</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Étiquettes</translation>
    </message>
    <message>
        <source>Creator&apos;s contact</source>
        <translation>Coordonnées du créateur</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Scene</source>
        <translation>Scène</translation>
    </message>
    <message>
        <source>Subject code</source>
        <translation>Code du sujet</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Événement</translation>
    </message>
    <message>
        <source>Location created</source>
        <translation>Lieu de création</translation>
    </message>
    <message>
        <source>Location shown</source>
        <translation>Lieu représenté</translation>
    </message>
    <message>
        <source>Model&apos;s age</source>
        <translation>Âge du modèle</translation>
    </message>
    <message>
        <source>Organisation shown</source>
        <translation>Organisation représentée</translation>
    </message>
    <message>
        <source>Person shown</source>
        <translation>Personne représentée</translation>
    </message>
    <message>
        <source>Hierarchical keywords</source>
        <translation>Mots-clés hiérarchiques</translation>
    </message>
    <message>
        <source>Named regions</source>
        <translation>Zones nommées</translation>
    </message>
    <message>
        <source>Document ancestors</source>
        <translation>Documents d’origine</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Historique</translation>
    </message>
    <message>
        <source>Instructions</source>
        <translation>Instructions</translation>
    </message>
    <message>
        <source>Supplemental categories</source>
        <translation>Catégories supplémentaires</translation>
    </message>
    <message>
        <source>Text layers</source>
        <translation>Calques de texte</translation>
    </message>
    <message>
        <source>Base URL</source>
        <translation>URL de base</translation>
    </message>
    <message>
        <source>Creator tool</source>
        <translation>Outil de création</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Étiquette</translation>
    </message>
    <message>
        <source>Metadata date</source>
        <translation>Date des métadonnées</translation>
    </message>
    <message>
        <source>Nickname</source>
        <translation>Surnom</translation>
    </message>
    <message>
        <source>Thumbnails</source>
        <translation>Vignettes</translation>
    </message>
    <message>
        <source>Derived from</source>
        <translation>Dérivé de</translation>
    </message>
    <message>
        <source>Editing history</source>
        <translation>Historique des modifications</translation>
    </message>
    <message>
        <source>Rights certificate</source>
        <translation>Certificat de droits</translation>
    </message>
    <message>
        <source>Rights marked</source>
        <translation>Droits indiqués</translation>
    </message>
    <message>
        <source>Rights owner</source>
        <translation>Titulaire des droits</translation>
    </message>
    <message>
        <source>Usage terms</source>
        <translation>Conditions d’utilisation</translation>
    </message>
    <message>
        <source>Rights statement</source>
        <translation>Déclaration de droits</translation>
    </message>
    <message>
        <source>Application data &quot;%1&quot;</source>
        <translation>Données d’application « %1 »</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Commentaire</translation>
    </message>
    <message>
        <source>Plain text</source>
        <translation>Texte brut</translation>
    </message>
    <message>
        <source>Extension 0x%1</source>
        <translation>Extension GIF 0x%1</translation>
    </message>
    <message>
        <source>Data between blocks</source>
        <translation>Données entre les blocs</translation>
    </message>
    <message>
        <source>%1 in item %2&apos;s %3, %4 bytes</source>
        <translation>%1 dans %3 de l’élément %2, %4 octets</translation>
    </message>
    <message>
        <source>1 unit</source>
        <translation>1 unité</translation>
    </message>
    <message>
        <source>%1 units</source>
        <translation>%1 unités</translation>
    </message>
    <message>
        <source>Supplemental data (HEVC SEI)</source>
        <translation>Données supplémentaires (SEI HEVC)</translation>
    </message>
    <message>
        <source>Metadata (AV1 OBU)</source>
        <translation>Métadonnées (OBU AV1)</translation>
    </message>
    <message>
        <source>Image sequence</source>
        <translation>Séquence d’images</translation>
    </message>
    <message>
        <source>Box &apos;%1&apos;</source>
        <translation>Boîte « %1 »</translation>
    </message>
    <message>
        <source>beginning like a box &apos;%1&apos;</source>
        <translation>commençant comme une boîte « %1 »</translation>
    </message>
    <message>
        <source>%1 × %2 pixels</source>
        <translation>%1 × %2 pixels</translation>
    </message>
    <message>
        <source>Thumbnail</source>
        <translation>Vignette</translation>
    </message>
    <message>
        <source>an embedded preview</source>
        <translation>un aperçu intégré</translation>
    </message>
    <message>
        <source>Auxiliary image</source>
        <translation>Image auxiliaire</translation>
    </message>
    <message>
        <source>Metadata item</source>
        <translation>Élément de métadonnées</translation>
    </message>
    <message>
        <source>&apos;%1&apos;, whose data lies outside the file</source>
        <translation>« %1 », dont les données sont hors du fichier</translation>
    </message>
    <message>
        <source>EXIF item</source>
        <translation>Élément EXIF</translation>
    </message>
    <message>
        <source>Metadata item &apos;%1&apos;</source>
        <translation>Élément de métadonnées « %1 »</translation>
    </message>
    <message>
        <source>Another image</source>
        <translation>Autre image</translation>
    </message>
    <message>
        <source>item %1 (&apos;%2&apos;)</source>
        <translation>élément %1 (« %2 »)</translation>
    </message>
    <message>
        <source>Description (HEIF)</source>
        <translation>Description (HEIF)</translation>
    </message>
    <message>
        <source>not a HEIF image</source>
        <translation>pas une image HEIF</translation>
    </message>
    <message>
        <source>Thumbnail (JFIF)</source>
        <translation>Vignette (JFIF)</translation>
    </message>
    <message>
        <source>%1 x %2 pixels</source>
        <translation>%1 × %2 pixels</translation>
    </message>
    <message>
        <source>Thumbnail (JFIF extension)</source>
        <translation>Vignette (extension JFIF)</translation>
    </message>
    <message>
        <source>APP%1 segment</source>
        <translation>Segment APP%1</translation>
    </message>
    <message>
        <source>APP%1 segment &quot;%2&quot;</source>
        <translation>Segment APP%1 « %2 »</translation>
    </message>
    <message>
        <source>Colour profile</source>
        <translation>Profil de couleurs</translation>
    </message>
    <message>
        <source>incomplete chain of %1 segments</source>
        <translation>chaîne incomplète de %1 segments</translation>
    </message>
    <message>
        <source>Extended XMP</source>
        <translation>XMP étendu</translation>
    </message>
    <message>
        <source>incomplete, %1 of %2</source>
        <translation>incomplet, %1 sur %2</translation>
    </message>
    <message>
        <source>Reserved segment 0x%1</source>
        <translation>Segment réservé 0x%1</translation>
    </message>
    <message>
        <source>Data between segments</source>
        <translation>Données entre les segments</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>le fichier est vide</translation>
    </message>
    <message>
        <source>not an image in a format Morvane reads</source>
        <translation>pas une image dans un format que Morvane lit</translation>
    </message>
    <message>
        <source>Tag 0x%1</source>
        <translation>Balise 0x%1</translation>
    </message>
    <message>
        <source> UTC</source>
        <translation> UTC</translation>
    </message>
    <message>
        <source>%1° (true north)</source>
        <translation>%1° (nord géographique)</translation>
    </message>
    <message>
        <source>%1° (magnetic north)</source>
        <translation>%1° (nord magnétique)</translation>
    </message>
    <message>
        <source>%1 mph</source>
        <translation>%1 mi/h</translation>
    </message>
    <message>
        <source>%1 knots</source>
        <translation>%1 nœuds</translation>
    </message>
    <message>
        <source>%1 km/h</source>
        <translation>%1 km/h</translation>
    </message>
    <message>
        <source>%1 miles</source>
        <translation>%1 milles</translation>
    </message>
    <message>
        <source>%1 nautical miles</source>
        <translation>%1 milles marins</translation>
    </message>
    <message>
        <source>%1 km</source>
        <translation>%1 km</translation>
    </message>
    <message>
        <source>Page 2: </source>
        <translation>Page 2 : </translation>
    </message>
    <message>
        <source>Sub-image %1: </source>
        <translation>Sous-image %1 : </translation>
    </message>
    <message>
        <source>Page %1: </source>
        <translation>Page %1 : </translation>
    </message>
    <message>
        <source>1 entry</source>
        <translation>1 entrée</translation>
    </message>
    <message>
        <source>%1 entries</source>
        <translation>%1 entrées</translation>
    </message>
    <message>
        <source>%1, %2 bytes</source>
        <translation>%1, %2 octets</translation>
    </message>
    <message>
        <source>Sub-image: </source>
        <translation>Sous-image : </translation>
    </message>
    <message>
        <source>directories that cannot be read</source>
        <translation>répertoires illisibles</translation>
    </message>
    <message>
        <source>%1 bytes that cannot be read</source>
        <translation>%1 octets illisibles</translation>
    </message>
    <message>
        <source>%1 bytes with nothing readable</source>
        <translation>%1 octets sans rien de lisible</translation>
    </message>
    <message>
        <source>%1 bytes of tags that cannot be read</source>
        <translation>%1 octets de balises illisibles</translation>
    </message>
    <message>
        <source>Embedded image: </source>
        <translation>Image intégrée : </translation>
    </message>
    <message>
        <source>%1 (PNG text)</source>
        <translation>%1 (texte PNG)</translation>
    </message>
    <message>
        <source>damaged (%1 compressed)</source>
        <translation>endommagé (%1 compressés)</translation>
    </message>
    <message>
        <source>Last modified (PNG)</source>
        <translation>Dernière modification (PNG)</translation>
    </message>
    <message>
        <source>invalid</source>
        <translation>non valide</translation>
    </message>
    <message>
        <source>Chunk &quot;%1&quot;</source>
        <translation>Bloc « %1 »</translation>
    </message>
    <message>
        <source>damaged or no ICC profile (%1)</source>
        <translation>endommagé ou pas un profil ICC (%1)</translation>
    </message>
    <message>
        <source>Colour profile tag &apos;%1&apos;</source>
        <translation>Balise « %1 » du profil de couleurs</translation>
    </message>
    <message>
        <source>device data, %1</source>
        <translation>données de l’appareil, %1</translation>
    </message>
    <message>
        <source>unreadable text, %1</source>
        <translation>texte illisible, %1</translation>
    </message>
    <message>
        <source>private, %1</source>
        <translation>privée, %1</translation>
    </message>
    <message>
        <source>%1 outside its tags</source>
        <translation>%1 hors de ses balises</translation>
    </message>
    <message>
        <source>Colour profile ID</source>
        <translation>Identifiant du profil de couleurs</translation>
    </message>
    <message>
        <source>not the profile&apos;s checksum, %1</source>
        <translation>pas la somme de contrôle du profil, %1</translation>
    </message>
    <message>
        <source>EXIF chunk</source>
        <translation>Bloc EXIF</translation>
    </message>
    <message>
        <source>Chunk &apos;%1&apos;</source>
        <translation>Bloc « %1 »</translation>
    </message>
    <message>
        <source>Lens data</source>
        <translation>Caractéristiques de l’objectif</translation>
    </message>
    <message>
        <source>Flash fired</source>
        <translation>Flash déclenché</translation>
    </message>
    <message>
        <source>Flash function</source>
        <translation>Fonction flash</translation>
    </message>
    <message>
        <source>Flash mode</source>
        <translation>Mode du flash</translation>
    </message>
    <message>
        <source>Red-eye reduction</source>
        <translation>Réduction des yeux rouges</translation>
    </message>
    <message>
        <source>Flash return light</source>
        <translation>Retour de lumière du flash</translation>
    </message>
    <message>
        <source>of no stated kind</source>
        <translation>de nature non précisée</translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>Removing Metadata</source>
        <translation>Suppression des métadonnées</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>RunDialogs</name>
    <message>
        <source>Choose a folder</source>
        <translation>Choisir un dossier</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Existing files in selected path may be overwritten, are you sure to continue?</source>
        <translation>Des fichiers existants dans le dossier choisi risquent d’être écrasés. Voulez-vous vraiment continuer ?</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Continuer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Never show again</source>
        <translation>Ne plus afficher</translation>
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
        <translation>écriture impossible : %1 dans le dossier de sortie est un lien ou un fichier, pas un dossier</translation>
    </message>
    <message>
        <source>not found</source>
        <translation>introuvable</translation>
    </message>
    <message>
        <source>could not be read: %1</source>
        <translation>lecture impossible : %1</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>empty file</source>
        <translation>fichier vide</translation>
    </message>
    <message>
        <source>too large (%1; files above %2 are not read)</source>
        <translation>trop volumineux (%1 ; les fichiers de plus de %2 ne sont pas lus)</translation>
    </message>
    <message>
        <source>not a supported image</source>
        <translation>format d’image non pris en charge</translation>
    </message>
    <message>
        <source>could not be decoded</source>
        <translation>décodage impossible</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>mémoire insuffisante</translation>
    </message>
    <message>
        <source>not enough memory: it needs about %1 MB, the memory limit is %2 MB</source>
        <translation>mémoire insuffisante : il faut environ %1 Mo, la limite de mémoire est de %2 Mo</translation>
    </message>
    <message>
        <source>could not be written: %1</source>
        <translation>écriture impossible : %1</translation>
    </message>
    <message>
        <source>a link to something that does not exist</source>
        <translation>un lien vers un élément inexistant</translation>
    </message>
    <message>
        <source>a link to %1, which has no image extension</source>
        <translation>un lien vers %1, qui n’a pas d’extension d’image</translation>
    </message>
    <message>
        <source>a link to a folder, not followed (name it to include it)</source>
        <translation>un lien vers un dossier, non suivi (nommez-le pour l’inclure)</translation>
    </message>
    <message>
        <source>a link to a file outside the folder</source>
        <translation>un lien vers un fichier hors du dossier</translation>
    </message>
    <message>
        <source>could not be listed: %1</source>
        <translation>liste du contenu impossible : %1</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>interrompu</translation>
    </message>
    <message>
        <source>no name for the output</source>
        <translation>aucun nom pour la sortie</translation>
    </message>
    <message>
        <source>no free name in the output folder</source>
        <translation>aucun nom libre dans le dossier de sortie</translation>
    </message>
</context>
<context>
    <name>SystemErrors</name>
    <message>
        <source>No such file or directory</source>
        <translation>Fichier ou dossier introuvable</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permission refusée</translation>
    </message>
    <message>
        <source>Operation not permitted</source>
        <translation>Opération non autorisée</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>Plus d’espace disponible sur le périphérique</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Quota de disque dépassé</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Système de fichiers en lecture seule</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Erreur d’entrée-sortie</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>Est un dossier</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>N’est pas un dossier</translation>
    </message>
    <message>
        <source>File name too long</source>
        <translation>Nom de fichier trop long</translation>
    </message>
    <message>
        <source>File exists</source>
        <translation>Le fichier existe déjà</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>Trop de fichiers ouverts</translation>
    </message>
    <message>
        <source>Cannot allocate memory</source>
        <translation>Impossible d’allouer de la mémoire</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>Fichier trop volumineux</translation>
    </message>
    <message>
        <source>Too many levels of symbolic links</source>
        <translation>Trop de niveaux de liens symboliques</translation>
    </message>
    <message>
        <source>Stale file handle</source>
        <translation>Descripteur de fichier périmé</translation>
    </message>
</context>
<context>
    <name>TimeLeft</name>
    <message>
        <source>A few seconds left</source>
        <translation>Encore quelques secondes</translation>
    </message>
    <message numerus="yes">
        <source>About %n seconds left</source>
        <translation>
            <numerusform>Encore environ %n seconde</numerusform>
            <numerusform>Encore environ %n secondes</numerusform>
        </translation>
    </message>
    <message>
        <source>About a minute left</source>
        <translation>Encore environ une minute</translation>
    </message>
    <message numerus="yes">
        <source>About %n minutes left</source>
        <translation>
            <numerusform>Encore environ %n minute</numerusform>
            <numerusform>Encore environ %n minutes</numerusform>
        </translation>
    </message>
    <message>
        <source>About an hour left</source>
        <translation>Encore environ une heure</translation>
    </message>
    <message numerus="yes">
        <source>About %n hours left</source>
        <translation>
            <numerusform>Encore environ %n heure</numerusform>
            <numerusform>Encore environ %n heures</numerusform>
        </translation>
    </message>
    <message>
        <source>About %1 h %2 min left</source>
        <translation>Encore environ %1 h %2 min</translation>
    </message>
</context>
<context>
    <name>WindowTexts</name>
    <message>
        <source>Kept without re-encoding: %1.</source>
        <translation>Conservées sans réencodage : %1.</translation>
    </message>
    <message>
        <source>; subfolders are not searched</source>
        <translation> ; les sous-dossiers ne sont pas parcourus</translation>
    </message>
    <message>
        <source>1 clean copy</source>
        <translation>1 copie nettoyée</translation>
    </message>
    <message numerus="yes">
        <source>%n clean copies</source>
        <translation>
            <numerusform>%n copie nettoyée</numerusform>
            <numerusform>%n copies nettoyées</numerusform>
        </translation>
    </message>
    <message>
        <source>1 file</source>
        <translation>1 fichier</translation>
    </message>
    <message numerus="yes">
        <source>%n files</source>
        <translation>
            <numerusform>%n fichier</numerusform>
            <numerusform>%n fichiers</numerusform>
        </translation>
    </message>
    <message>
        <source>No images found in %1</source>
        <translation>Aucune image trouvée dans %1</translation>
    </message>
    <message numerus="yes">
        <source>No images found among the %n dropped items</source>
        <translation>
            <numerusform>Aucune image trouvée parmi %n élément déposé</numerusform>
            <numerusform>Aucune image trouvée parmi les %n éléments déposés</numerusform>
        </translation>
    </message>
    <message>
        <source>The image found is already in the list</source>
        <translation>L’image trouvée est déjà dans la liste</translation>
    </message>
    <message numerus="yes">
        <source>The %n images found are already in the list</source>
        <translation>
            <numerusform>L’image trouvée (%n) est déjà dans la liste</numerusform>
            <numerusform>Les %n images trouvées sont déjà dans la liste</numerusform>
        </translation>
    </message>
    <message>
        <source>Clean Copies</source>
        <translation>Copies nettoyées</translation>
    </message>
    <message>
        <source>Cancelled after %1 of %2</source>
        <translation>Annulé après %1 sur %2</translation>
    </message>
    <message>
        <source>No clean copies written</source>
        <translation>Aucune copie nettoyée écrite</translation>
    </message>
    <message>
        <source>1 copy written, checked: nothing personal</source>
        <translation>1 copie écrite, vérifiée : rien de personnel</translation>
    </message>
    <message numerus="yes">
        <source>%n copies written, each checked: nothing personal</source>
        <translation>
            <numerusform>%n copie écrite, vérifiée : rien de personnel</numerusform>
            <numerusform>%n copies écrites, chacune vérifiée : rien de personnel</numerusform>
        </translation>
    </message>
    <message>
        <source>%1; %2 skipped</source>
        <translation>%1 ; %2 sans copie</translation>
    </message>
    <message>
        <source>Nothing was written to %1.</source>
        <translation>Rien n’a été écrit dans %1.</translation>
    </message>
    <message>
        <source>%1 written to %2.</source>
        <translation>Écrit dans %2 : %1.</translation>
    </message>
    <message>
        <source>Saved in %1.</source>
        <translation>Enregistré dans %1.</translation>
    </message>
    <message>
        <source>The remaining file was not started.</source>
        <translation>Le fichier restant n’a pas été traité.</translation>
    </message>
    <message numerus="yes">
        <source>The remaining %n files were not started.</source>
        <translation>
            <numerusform>Le fichier restant (%n) n’a pas été traité.</numerusform>
            <numerusform>Les %n fichiers restants n’ont pas été traités.</numerusform>
        </translation>
    </message>
    <message>
        <source>Files not written, and notes on the copies:</source>
        <translation>Fichiers non écrits et remarques sur les copies :</translation>
    </message>
    <message>
        <source>Notes on the copies:</source>
        <translation>Remarques sur les copies :</translation>
    </message>
    <message>
        <source>This file was not written:</source>
        <translation>Ce fichier n’a pas été écrit :</translation>
    </message>
    <message numerus="yes">
        <source>These %n files were not written:</source>
        <translation>
            <numerusform>Ce fichier (%n) n’a pas été écrit :</numerusform>
            <numerusform>Ces %n fichiers n’ont pas été écrits :</numerusform>
        </translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <source>Not written</source>
        <translation>Non écrit</translation>
    </message>
    <message>
        <source>Written; %1</source>
        <translation>Écrit ; %1</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ouvrir le dossier</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>%1. %2</source>
        <translation>%1. %2</translation>
    </message>
    <message>
        <source>Could not open %1 in the file manager</source>
        <translation>Impossible d’ouvrir %1 dans le gestionnaire de fichiers</translation>
    </message>
    <message>
        <source>%1 is not a JPEG, PNG, GIF, BMP, TIFF, HEIC, AVIF or WebP file</source>
        <translation>%1 n’est pas un fichier JPEG, PNG, GIF, BMP, TIFF, HEIC, AVIF ou WebP</translation>
    </message>
</context>
<context>
    <name>WorkerFailure</name>
    <message>
        <source>the decoder could not be started: %1</source>
        <translation>le décodeur n’a pas pu être lancé : %1</translation>
    </message>
    <message>
        <source>the decoder crashed (%1)</source>
        <translation>le décodeur a planté (%1)</translation>
    </message>
    <message>
        <source>the decoder stopped (%1)</source>
        <translation>le décodeur s’est arrêté (%1)</translation>
    </message>
    <message>
        <source>the decoder was ended by a signal (%1)</source>
        <translation>le décodeur a été arrêté par un signal (%1)</translation>
    </message>
    <message>
        <source>took longer than %1 s</source>
        <translation>a pris plus de %1 s</translation>
    </message>
    <message>
        <source>needed more memory than the limit allows</source>
        <translation>demandait plus de mémoire que la limite ne le permet</translation>
    </message>
    <message>
        <source>the decoder ended unexpectedly</source>
        <translation>le décodeur s’est terminé de façon inattendue</translation>
    </message>
    <message>
        <source>the decoder ended unexpectedly (exit status %1)</source>
        <translation>le décodeur s’est terminé de façon inattendue (code de sortie %1)</translation>
    </message>
    <message>
        <source>the decoder broke off the exchange (%1)</source>
        <translation>le décodeur a rompu l’échange (%1)</translation>
    </message>
</context>
</TS>
