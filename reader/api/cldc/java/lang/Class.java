// Class.java - CLDC 1.0, signatures only.
package java.lang;

public final class Class {
    private Class() {}
    public static Class forName(String className) throws ClassNotFoundException { return null; }
    public Object newInstance() throws InstantiationException, IllegalAccessException { return null; }
    public boolean isInstance(Object obj) { return false; }
    public boolean isAssignableFrom(Class cls) { return false; }
    public boolean isInterface() { return false; }
    public boolean isArray() { return false; }
    public String getName() { return null; }
    public java.io.InputStream getResourceAsStream(String name) { return null; }
}
