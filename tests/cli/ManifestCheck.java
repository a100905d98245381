// ManifestCheck - prints what Java's JAR readers see: the manifest's main
// attributes and the entries in archive order.
// Usage: java ManifestCheck <jar>
import java.io.FileDescriptor;
import java.io.FileInputStream;
import java.io.FileOutputStream;
import java.io.InputStream;
import java.io.PrintStream;
import java.util.Enumeration;
import java.util.Map;
import java.util.jar.Attributes;
import java.util.jar.JarEntry;
import java.util.jar.JarFile;
import java.util.jar.JarInputStream;

public class ManifestCheck {
    public static void main(String[] args) throws Exception {
        // Attribute values and entry names go out in UTF-8, whatever the locale.
        System.setOut(new PrintStream(new FileOutputStream(FileDescriptor.out), true, "UTF-8"));
        try (JarFile jar = new JarFile(args[0], true)) {
            for (Map.Entry<Object, Object> a : jar.getManifest().getMainAttributes().entrySet()) {
                System.out.println("attribute " + a.getKey() + "=" + a.getValue());
            }
            for (Enumeration<JarEntry> e = jar.entries(); e.hasMoreElements();) {
                JarEntry entry = e.nextElement();
                try (InputStream in = jar.getInputStream(entry)) {
                    System.out.println("entry " + entry.getName() + " " + in.readAllBytes().length);
                }
            }
        }
        // The streaming reader finds the manifest only when it comes first.
        try (JarInputStream in = new JarInputStream(new FileInputStream(args[0]), true)) {
            System.out.println("streamed-manifest " + (in.getManifest() != null));
        }
    }
}
