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
</TS>
